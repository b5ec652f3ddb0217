#include "window/browser_window_controller.hpp"

namespace velmora {

bool BrowserWindowController::isPlatformHost(const std::optional<Url>& url) const {
  return url && url->host() && url->host() == serverURL().host();
}

void BrowserWindowController::openIfSameServer(const Url& url) {
  removeErrorOverlay();
  webView->loadRequest(UrlRequest{.url = url});
}

void BrowserWindowController::decidePolicyForNavigationAction(
    const NavigationAction& /*action*/,
    std::function<void(NavigationActionPolicy)> decisionHandler) {
  decisionHandler(NavigationActionPolicy::allow);
}

void BrowserWindowController::decidePolicyForNavigationResponse(
    const NavigationResponse& response,
    std::function<void(NavigationResponsePolicy)> decisionHandler) {
  decisionHandler(response.canShowMimeType ? NavigationResponsePolicy::allow
                                           : NavigationResponsePolicy::download);
}

void BrowserWindowController::navigationActionDidBecomeDownload(Download& download) {
  download.setDelegate(*this);
}

void BrowserWindowController::navigationResponseDidBecomeDownload(Download& download) {
  download.setDelegate(*this);
}

}  // namespace velmora
