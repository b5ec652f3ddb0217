#include "window/browser_window_controller.hpp"

#include "bridge/page_scripts.hpp"
#include "window/page_zoom.hpp"

namespace velmora {

BrowserWindowController::BrowserWindowController(Desktop& desktop)
    : desktop(desktop), locationManager(desktop.location) {
  window = desktop.windows.createWindow(WindowDescription{
      .title = "Velmora",
      .contentSize = {1280, 860},
      .minSize = {700, 500},
      .centered = true,
      .frameAutosaveName = "MainWindow",
  });
  window->setToolbar(ToolbarDescription{.identifier = std::string(toolbarIdentifier),
                                        .iconOnly = true,
                                        .allowsUserCustomization = false},
                     *this);

  WebViewConfiguration configuration;
  configuration.persistentDataStore = true;
  configuration.applicationNameForUserAgent = "VelmoraMac/1.1";
  configuration.userScripts = {UserScript{badgeHookScript()}, UserScript{navigationHookScript()}};
  configuration.scriptMessageHandlerNames = {"bellCount", "navLinks"};
  configuration.allowsBackForwardNavigationGestures = true;
  webView = window->createWebView(configuration, *this);
  // The zoom of the last run; without one the view's own actual size stays.
  if (const auto saved = window->savedValue(pageZoomKey))
    webView->setPageZoom(storedPageZoom(saved));
  recovery = std::make_unique<PageRecovery>(
      desktop.mainQueue, desktop.http, *webView, [this] { return serverURL(); },
      PageRecovery::Actions{
          .reloadPage = [this] { reloadAfterCrash(); },
          .showErrorScreen = [this](const ErrorScreen& screen) { showErrorScreen(screen); },
          .tryAgain = [this] { reloadFromOverlay(); },
      });
  desktop.connectivity.setObserver(this);

  loadHome();
}

BrowserWindowController::~BrowserWindowController() {
  desktop.connectivity.setObserver(nullptr);
  *alive = false;
}

void BrowserWindowController::showWindow() {
  window->showWindow();
}

bool BrowserWindowController::isWindowVisible() const {
  return window->isVisible();
}

UrlRequest BrowserWindowController::signInRequest() const {
  return UrlRequest{.url = serverURL().appendingPathComponent("login"),
                    .cachePolicy = UrlRequest::CachePolicy::useProtocolCachePolicy,
                    .timeout = std::chrono::seconds(60)};
}

void BrowserWindowController::loadHome() {
  // Only whether something is stored matters here: an empty or unparsable
  // value still counts, and serverURL then stands in the default address.
  if (storedServer()) {
    webView->loadRequest(signInRequest());
    return;
  }
  // Deferred so that launch completion finishes first: the window is shown
  // and any pending connect link handed on before the panel opens.
  firstRunPanelScheduled = true;
  desktop.mainQueue.async([this, alive = std::weak_ptr<bool>(alive)] {
    if (alive.lock() && std::exchange(firstRunPanelScheduled, false))
      showConnectPanel(true);
  });
}

} // namespace velmora
