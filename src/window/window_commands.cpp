#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::reloadPage() {
  removeErrorOverlay();
  webView->reload();
}

void BrowserWindowController::goHome() {
  removeErrorOverlay();
  loadHome();
}

void BrowserWindowController::goBack() {
  if (webView->canGoBack())
    webView->goBack();
}

void BrowserWindowController::goForward() {
  if (webView->canGoForward())
    webView->goForward();
}

// The step is added to the factor as read and never snapped to tenths; only
// the clamps give exact values.
void BrowserWindowController::zoomIn() {
  const double zoom = webView->pageZoom() + 0.1;
  webView->setPageZoom(zoom > 3.0 ? 3.0 : zoom);
}

void BrowserWindowController::zoomOut() {
  const double zoom = webView->pageZoom() - 0.1;
  webView->setPageZoom(zoom <= 0.5 ? 0.5 : zoom);
}

void BrowserWindowController::zoomActual() {
  webView->setPageZoom(1.0);
}

void BrowserWindowController::performMiniaturize() {
  window->miniaturize();
}

void BrowserWindowController::performZoom() {
  window->zoom();
}

bool BrowserWindowController::validateMenuItem(std::optional<Action> action) const {
  if (!action)
    return true;
  if (*action == Action::goBack)
    return webView->canGoBack();
  if (*action == Action::goForward)
    return webView->canGoForward();
  return true;
}

} // namespace velmora
