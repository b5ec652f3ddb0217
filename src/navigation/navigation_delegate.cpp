#include "connection/connect_link_parser.hpp"
#include "navigation/navigation_policy.hpp"
#include "navigation/page_requests.hpp"
#include "platform/log.hpp"

namespace velmora {

PageRequests::PageRequests(Desktop& desktop, WebView& webView, ServerAddressSetting& server,
                           std::function<void()> removeErrorOverlay,
                           std::function<void(const Url&)> handleConnectLink)
    : desktop_(desktop), webView_(webView), server_(server),
      removeErrorOverlay_(std::move(removeErrorOverlay)),
      handleConnectLink_(std::move(handleConnectLink)) {}

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
  switch (navigationActionOutcome(action.url, action.targetFrame, action.userGesture,
                                  server_.serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::download: // never decided for an action
    decide(NavigationActionPolicy::allow);
    return;
  case NavigationOutcome::ignore:
    log::debug(log::Module::navigation,
               "refused " + log::address(action.url) +
                   (action.userGesture ? "" : ": not the platform's, and no click asked for it"));
    decide(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::openInBrowser:
    log::debug(log::Module::navigation,
               "sent " + log::address(action.url) + " to the browser: not the platform's page");
    // The desktop gets the address before the engine hears of the cancel,
    // so the hand-over never depends on what the engine does next.
    if (action.url)
      desktop_.workspace.openURL(*action.url);
    decide(NavigationActionPolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    log::debug(log::Module::navigation, "replaced the platform's root page with its sign-in page");
    // Cancelled first: the sign-in load must not be superseded by the
    // navigation it replaces.
    decide(NavigationActionPolicy::cancel);
    webView_.loadRequest(server_.signInRequest());
    return;
  }
}

void PageRequests::decidePolicyForNavigationResponse(
    const NavigationResponse& response, std::function<void(NavigationResponsePolicy)> decide) {
  switch (navigationResponseOutcome(response.canShowMimeType, response.isForMainFrame, response.url,
                                    server_.serverURL())) {
  case NavigationOutcome::allow:
  case NavigationOutcome::openInBrowser: // never decided for a response
    decide(NavigationResponsePolicy::allow);
    return;
  case NavigationOutcome::download:
    log::debug(log::Module::navigation, "saving " + log::address(response.url) +
                                            " as a download: the window cannot show it");
    decide(NavigationResponsePolicy::download);
    return;
  case NavigationOutcome::ignore:
    log::debug(log::Module::navigation, "dropped the answer of " + log::address(response.url) +
                                            ": not the platform's, or nothing the window can show");
    decide(NavigationResponsePolicy::cancel);
    return;
  case NavigationOutcome::signIn:
    decide(NavigationResponsePolicy::cancel);
    webView_.loadRequest(server_.signInRequest());
    return;
  }
}

} // namespace velmora
