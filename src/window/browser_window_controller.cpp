#include "window/browser_window_controller.hpp"

#include "bridge/page_scripts.hpp"
#include "window/page_zoom.hpp"

namespace velmora {
namespace {

WindowDescription mainWindow() {
  return WindowDescription{
      .title = "Velmora",
      .contentSize = {1280, 860},
      .minSize = {700, 500},
      .centered = true,
      .frameAutosaveName = "MainWindow",
  };
}

WebViewConfiguration pageViewConfiguration() {
  WebViewConfiguration configuration;
  configuration.persistentDataStore = true;
  configuration.applicationNameForUserAgent = "VelmoraMac/1.1";
  configuration.userScripts = {UserScript{badgeHookScript()}, UserScript{navigationHookScript()},
                               UserScript{connectLinkHookScript()}};
  configuration.scriptMessageHandlerNames = {"bellCount", "navLinks", "connectLink"};
  configuration.allowsBackForwardNavigationGestures = true;
  return configuration;
}

} // namespace

BrowserWindowController::BrowserWindowController(Desktop& desktop, Menu* goMenu)
    : desktop_(desktop), server_(desktop.settings),
      window_(desktop.windows.createWindow(mainWindow())),
      webView_(window_->createWebView(
          pageViewConfiguration(),
          WebViewDelegates{
              .navigation = requests_, .loads = pageLoads_, .ui = requests_, .messages = bridge_})),
      connection_(desktop, server_, [this] { loadHome(); }),
      pageLoads_(desktop, *window_, *webView_, server_, connection_, [this] { loadHome(); }),
      requests_(
          desktop, *webView_, server_, downloads_, [this] { pageLoads_.removeErrorOverlay(); },
          [this](const Url& link) { connection_.handleConnectLink(link); },
          PageRequests::CopyHandling{
              .index = [this]() -> const LastCopyIndex& { return pageLoads_.lastCopies().index(); },
              .showCopy = [this](const Url& copy) { pageLoads_.showLastCopy(copy); },
              .showNoCopy = [this](const Url& page) { pageLoads_.showNoCopyOf(page); },
          }),
      bridge_(
          desktop.dockTile, desktop.mainQueue, goMenu,
          [this](const Url& url) { requests_.openIfSameServer(url); },
          [this](const Url& link) { requests_.openConnectLinkFromPage(link); },
          [this](const std::string& title) { window_->setTitle(title); }),
      downloads_(desktop, window_->downloadsView()) {
  window_->setToolbar(ToolbarDescription{.identifier = std::string(toolbarIdentifier),
                                         .iconOnly = true,
                                         .allowsUserCustomization = false},
                      *this);
  // The zoom of the last run; without one the view's own actual size stays.
  if (const auto saved = window_->savedValue(pageZoomKey))
    webView_->setPageZoom(storedPageZoom(saved));
  loadHome();
}

void BrowserWindowController::showWindow() {
  window_->showWindow();
}

void BrowserWindowController::loadHome() {
  // Only whether something is stored matters here: an empty or unparsable
  // value still counts, and serverURL then stands in the default address.
  if (server_.storedServer()) {
    webView_->loadRequest(server_.signInRequest());
    return;
  }
  // The administrator chose this address, so nobody is asked about it; it
  // must still prove to be the platform before it is stored.
  if (const auto machine = server_.machineServer()) {
    connection_.verifyAndAdopt(*machine, true);
    return;
  }
  connection_.scheduleFirstRunPanel();
}

} // namespace velmora
