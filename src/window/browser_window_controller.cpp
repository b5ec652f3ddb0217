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
    : desktop(desktop), server(desktop.settings),
      window(desktop.windows.createWindow(mainWindow())),
      webView(window->createWebView(pageViewConfiguration(), *this)),
      connection(desktop, server, [this] { loadHome(); }),
      pageLoads(desktop, *window, *webView, server, connection, [this] { loadHome(); }),
      requests(
          desktop, *webView, server, [this] { pageLoads.removeErrorOverlay(); },
          [this](const Url& link) { connection.handleConnectLink(link); },
          PageRequests::CopyHandling{
              .index = [this]() -> const LastCopyIndex& { return pageLoads.lastCopies().index(); },
              .showCopy = [this](const Url& copy) { pageLoads.showLastCopy(copy); },
              .showNoCopy = [this](const Url& page) { pageLoads.showNoCopyOf(page); },
          }),
      bridge(
          desktop.dockTile, desktop.mainQueue, goMenu,
          [this](const Url& url) { requests.openIfSameServer(url); },
          [this](const Url& link) { requests.openConnectLinkFromPage(link); },
          [this](const std::string& title) { window->setTitle(title); }),
      downloads(desktop, window->downloadsView()) {
  window->setToolbar(ToolbarDescription{.identifier = std::string(toolbarIdentifier),
                                        .iconOnly = true,
                                        .allowsUserCustomization = false},
                     *this);
  // The zoom of the last run; without one the view's own actual size stays.
  if (const auto saved = window->savedValue(pageZoomKey))
    webView->setPageZoom(storedPageZoom(saved));
  desktop.connectivity.setObserver(this);
  loadHome();
}

BrowserWindowController::~BrowserWindowController() {
  desktop.connectivity.setObserver(nullptr);
}

void BrowserWindowController::showWindow() {
  window->showWindow();
}

void BrowserWindowController::loadHome() {
  // Only whether something is stored matters here: an empty or unparsable
  // value still counts, and serverURL then stands in the default address.
  if (server.storedServer()) {
    webView->loadRequest(server.signInRequest());
    return;
  }
  connection.scheduleFirstRunPanel();
}

} // namespace velmora
