#include "connection/connect_link_parser.hpp"
#include "navigation/navigation_policy.hpp"
#include "navigation/page_requests.hpp"

namespace velmora {

PageRequests::PageRequests(Desktop& desktop, WebView& webView, ServerAddressSetting& server,
                           std::function<void()> removeErrorOverlay,
                           std::function<void(const Url&)> handleConnectLink, CopyHandling copies)
    : desktop_(desktop), webView_(webView), server_(server),
      removeErrorOverlay_(std::move(removeErrorOverlay)),
      handleConnectLink_(std::move(handleConnectLink)), copies_(std::move(copies)) {}

void PageRequests::openIfSameServer(const Url& url) {
  if (!isSameServer(url, server_.serverURL()))
    return;
  removeErrorOverlay_();
  webView_.loadRequest(UrlRequest{.url = url});
}

void PageRequests::openConnectLinkFromPage(const Url& link) {
  if (hasConnectLinkScheme(link) && isPlatformOrigin(webView_.url(), server_.serverURL()))
    handleConnectLink_(link);
}

void PageRequests::decidePolicyForNavigationAction(
    const NavigationAction& action, std::function<void(NavigationActionPolicy)> decide) {
  const CopyNavigationOutcome copy =
      copyNavigationOutcome(action.url, action.targetFrame, action.userGesture, action.historyStep,
                            isCopyAddress(webView_.url()), copies_.index(), server_.serverURL());
  switch (copy.kind) {
  case CopyNavigation::notACopy:
    break;
  case CopyNavigation::allow:
    decide(NavigationActionPolicy::allow);
    return;
  case CopyNavigation::showCopy:
    decide(NavigationActionPolicy::cancel);
    copies_.showCopy(*copy.target);
    return;
  case CopyNavigation::errorScreen:
    decide(NavigationActionPolicy::cancel);
    copies_.showNoCopy(*copy.target);
    return;
  case CopyNavigation::openInBrowser:
    desktop_.workspace.openURL(*copy.target);
    decide(NavigationActionPolicy::cancel);
    return;
  case CopyNavigation::ignore:
    decide(NavigationActionPolicy::cancel);
    return;
  }
  switch (navigationActionOutcome(action.url, action.targetFrame, action.userGesture,
                                  server_.serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::download: // never decided for an action
    decide(NavigationActionPolicy::allow);
    return;
  case NavigationOutcome::ignore:
    decide(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::openInBrowser:
    // The desktop gets the address before the engine hears of the cancel,
    // so the hand-over never depends on what the engine does next.
    if (action.url)
      desktop_.workspace.openURL(*action.url);
    decide(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    // Cancelled first: the sign-in load must not be superseded by the
    // navigation it replaces.
    decide(NavigationActionPolicy::cancel);
    webView_.loadRequest(server_.signInRequest());
    return;
  }
}

void PageRequests::decidePolicyForNavigationResponse(
    const NavigationResponse& response, std::function<void(NavigationResponsePolicy)> decide) {
  // A copy's own address was let through by the action's decision, which
  // is where copies are judged.
  if (response.isForMainFrame && isCopyAddress(response.url) && response.canShowMimeType) {
    decide(NavigationResponsePolicy::allow);
    return;
  }
  switch (navigationResponseOutcome(response.canShowMimeType, response.isForMainFrame, response.url,
                                    server_.serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::openInBrowser: // never decided for a response
    decide(NavigationResponsePolicy::allow);
    return;
  case NavigationOutcome::download:
    decide(NavigationResponsePolicy::download);
    return;
  case NavigationOutcome::ignore:
    decide(NavigationResponsePolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    decide(NavigationResponsePolicy::cancel);
    webView_.loadRequest(server_.signInRequest());
    return;
  }
}

} // namespace velmora
