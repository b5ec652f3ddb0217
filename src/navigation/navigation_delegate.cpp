#include "window/browser_window_controller.hpp"

#include "navigation/navigation_policy.hpp"

namespace velmora {

bool BrowserWindowController::isPlatformHost(const std::optional<Url>& url) const {
  return velmora::isPlatformHost(url, serverURL());
}

void BrowserWindowController::openIfSameServer(const Url& url) {
  if (!isSameServer(url, serverURL()))
    return;
  removeErrorOverlay();
  webView->loadRequest(UrlRequest{.url = url,
                                  .cachePolicy = UrlRequest::CachePolicy::useProtocolCachePolicy,
                                  .timeout = std::chrono::seconds(60)});
}

void BrowserWindowController::decidePolicyForNavigationAction(
    const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) {
  switch (
      navigationActionOutcome(action.url, action.targetFrame, action.userGesture, serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::download: // never decided for an action
    decisionHandler(NavigationActionPolicy::allow);
    return;
  case NavigationOutcome::ignore:
    decisionHandler(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::openInBrowser:
    // The desktop gets the address before the engine hears of the cancel,
    // so the hand-over never depends on what the engine does next.
    if (action.url)
      desktop.workspace.openURL(*action.url);
    decisionHandler(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    // Cancelled first: the sign-in load must not be superseded by the
    // navigation it replaces.
    decisionHandler(NavigationActionPolicy::cancel);
    webView->loadRequest(signInRequest());
    return;
  }
}

void BrowserWindowController::decidePolicyForNavigationResponse(
    const NavigationResponse& response,
    std::function<void(NavigationResponsePolicy)> decisionHandler) {
  switch (navigationResponseOutcome(response.canShowMimeType, response.isForMainFrame, response.url,
                                    serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::openInBrowser: // never decided for a response
    decisionHandler(NavigationResponsePolicy::allow);
    return;
  case NavigationOutcome::download:
    decisionHandler(NavigationResponsePolicy::download);
    return;
  case NavigationOutcome::ignore:
    decisionHandler(NavigationResponsePolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    decisionHandler(NavigationResponsePolicy::cancel);
    webView->loadRequest(signInRequest());
    return;
  }
}

void BrowserWindowController::navigationActionDidBecomeDownload(Download& download) {
  download.setDelegate(*this);
}

void BrowserWindowController::navigationResponseDidBecomeDownload(Download& download) {
  download.setDelegate(*this);
}

} // namespace velmora
