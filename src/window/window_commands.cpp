#include "window/browser_window_controller.hpp"

#include "navigation/navigation_policy.hpp"
#include "window/page_zoom.hpp"

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
  setPageZoom(zoom > 3.0 ? 3.0 : zoom);
}

void BrowserWindowController::zoomOut() {
  const double zoom = webView->pageZoom() - 0.1;
  setPageZoom(zoom <= 0.5 ? 0.5 : zoom);
}

void BrowserWindowController::zoomActual() {
  setPageZoom(1.0);
}

void BrowserWindowController::setPageZoom(double zoom) {
  webView->setPageZoom(zoom);
  window->saveValue(pageZoomKey, pageZoomText(zoom));
}

void BrowserWindowController::printPage() {
  webView->print();
}

void BrowserWindowController::showFindBar() {
  webView->performTextFinderAction(TextFinderAction::showFindInterface);
}

void BrowserWindowController::findNext() {
  webView->performTextFinderAction(TextFinderAction::nextMatch);
}

void BrowserWindowController::findPrevious() {
  webView->performTextFinderAction(TextFinderAction::previousMatch);
}

std::optional<Url> BrowserWindowController::pageAddressOnShow() const {
  if (pageLoads.hasErrorOverlay())
    return std::nullopt;
  std::optional<Url> url = webView->url();
  if (!isPlatformOrigin(url, serverURL()))
    return std::nullopt;
  return url;
}

void BrowserWindowController::copyPageAddress() {
  if (const auto url = pageAddressOnShow())
    desktop.clipboard.writeText(url->absoluteString());
}

void BrowserWindowController::openPageInBrowser() {
  if (const auto url = pageAddressOnShow())
    desktop.workspace.openURL(*url);
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
  // The error screen covers the page: there is nothing to print or search.
  if (*action == Action::printPage || *action == Action::showFindBar ||
      *action == Action::findNext || *action == Action::findPrevious)
    return !pageLoads.hasErrorOverlay();
  if (*action == Action::copyPageAddress || *action == Action::openPageInBrowser)
    return pageAddressOnShow().has_value();
  return true;
}

} // namespace velmora
