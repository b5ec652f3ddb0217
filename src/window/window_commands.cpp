#include "window/browser_window_controller.hpp"

#include "navigation/navigation_policy.hpp"
#include "window/page_zoom.hpp"

namespace velmora {

void BrowserWindowController::reloadPage() {
  pageLoads_.removeErrorOverlay();
  webView_->reload();
}

void BrowserWindowController::goHome() {
  pageLoads_.removeErrorOverlay();
  loadHome();
}

void BrowserWindowController::goBack() {
  if (webView_->canGoBack())
    webView_->goBack();
}

void BrowserWindowController::goForward() {
  if (webView_->canGoForward())
    webView_->goForward();
}

// The step is added to the factor as read and never snapped to tenths; only
// the clamps give exact values.
void BrowserWindowController::zoomIn() {
  const double zoom = webView_->pageZoom() + 0.1;
  setPageZoom(zoom > 3.0 ? 3.0 : zoom);
}

void BrowserWindowController::zoomOut() {
  const double zoom = webView_->pageZoom() - 0.1;
  setPageZoom(zoom <= 0.5 ? 0.5 : zoom);
}

void BrowserWindowController::zoomActual() {
  setPageZoom(1.0);
}

void BrowserWindowController::setPageZoom(double zoom) {
  webView_->setPageZoom(zoom);
  window_->saveValue(pageZoomKey, pageZoomText(zoom));
}

std::optional<Url> BrowserWindowController::pageAddressOnShow() const {
  if (pageLoads_.hasErrorOverlay())
    return std::nullopt;
  std::optional<Url> url = webView_->url();
  if (!isPlatformOrigin(url, server_.serverURL()))
    return std::nullopt;
  return url;
}

void BrowserWindowController::copyPageAddress() {
  if (const auto url = pageAddressOnShow())
    desktop_.clipboard.writeText(url->absoluteString());
}

void BrowserWindowController::openPageInBrowser() {
  if (const auto url = pageAddressOnShow())
    desktop_.workspace.openURL(*url);
}

bool BrowserWindowController::validateMenuItem(std::optional<Action> action) const {
  if (!action)
    return true;
  if (*action == Action::goBack)
    return webView_->canGoBack();
  if (*action == Action::goForward)
    return webView_->canGoForward();
  // The error screen covers the page: there is nothing to print or search.
  if (*action == Action::printPage || *action == Action::showFindBar ||
      *action == Action::findNext || *action == Action::findPrevious)
    return !pageLoads_.hasErrorOverlay();
  if (*action == Action::copyPageAddress || *action == Action::openPageInBrowser)
    return pageAddressOnShow().has_value();
  return true;
}

} // namespace velmora
