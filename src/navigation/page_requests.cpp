#include "navigation/page_requests.hpp"

#include "connection/connect_link_parser.hpp"
#include "navigation/context_menu.hpp"
#include "navigation/navigation_policy.hpp"
#include "platform/log.hpp"

namespace velmora {
namespace {

// Every page dialog is headed by the application's name, whichever page or
// frame asked, so a page cannot pass its words off as the application's.
constexpr std::string_view dialogHeading = "Velmora";

Alert scriptDialog(const std::string& text, std::vector<std::string> buttons) {
  Alert alert;
  alert.messageText = std::string(dialogHeading);
  alert.informativeText = text;
  alert.buttons = std::move(buttons);
  return alert;
}

} // namespace

PageRequests::PageRequests(Desktop& desktop, WebView& webView, ServerAddressSetting& server,
                           DownloadDelegate& downloads, std::function<void()> removeErrorOverlay,
                           std::function<void(const Url&)> handleConnectLink, CopyHandling copies)
    : desktop_(desktop), webView_(webView), server_(server), downloads_(downloads),
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

NewWindowResponse PageRequests::createWebViewWithConfiguration(const NavigationAction& action) {
  switch (popUpOutcome(action.url, action.userGesture, server_.serverURL())) {
  case PopUpOutcome::loadInWindow:
    // The request as the page made it: method, headers and body, and no
    // timeout or cache policy of ours.
    return NewWindowResponse::loadRequestHere;
  case PopUpOutcome::openInBrowser:
    desktop_.workspace.openURL(*action.url);
    return NewWindowResponse::none;
  case PopUpOutcome::nothing:
    break;
  }
  return NewWindowResponse::none;
}

void PageRequests::requestGeolocationPermissionForOrigin(
    const std::optional<Url>& origin, std::function<void(PermissionDecision)> decide) {
  if (geolocationDecision(origin, server_.serverURL()) == PermissionDecision::grant) {
    // The grant does not wait for the desktop's answer: asking is enough to
    // let the desktop put its own question to the user the first time.
    desktop_.location.requestWhenInUseAuthorization();
    decide(PermissionDecision::grant);
    return;
  }
  decide(PermissionDecision::deny);
}

void PageRequests::requestNotificationPermissionForOrigin(
    const std::optional<Url>& origin, std::function<void(PermissionDecision)> decide) {
  // The platform's own pages only, by the same rule as location.
  decide(geolocationDecision(origin, server_.serverURL()));
}

void PageRequests::admitDownload(Download& download) {
  if (mayStartDownload(download.start(), server_.serverURL()))
    download.setDelegate(downloads_);
  else {
    log::debug(log::Module::downloads,
               "refused a download that neither the user nor the platform asked for");
    download.cancel();
  }
}

std::vector<std::string> PageRequests::platformOrigins() const {
  return velmora::platformOrigins(server_.serverURL());
}

void PageRequests::runJavaScriptAlertPanelWithMessage(const std::string& message,
                                                      std::function<void()> completion) {
  desktop_.alerts.runModal(scriptDialog(message, {}), [completion = std::move(completion)](
                                                          const AlertResponse&) { completion(); });
}

void PageRequests::runJavaScriptConfirmPanelWithMessage(const std::string& message,
                                                        std::function<void(bool)> completion) {
  desktop_.alerts.runModal(scriptDialog(message, {"OK", "Cancel"}),
                           [completion = std::move(completion)](const AlertResponse& response) {
                             completion(response.code == alertFirstButtonReturn);
                           });
}

void PageRequests::runJavaScriptTextInputPanelWithPrompt(
    const std::string& prompt, const std::optional<std::string>& defaultText,
    std::function<void(std::optional<std::string>)> completion) {
  Alert alert = scriptDialog(prompt, {"OK", "Cancel"});
  alert.accessory = TextFieldAccessory{
      .stringValue = defaultText.value_or(""), .placeholderString = "", .width = 260, .height = 24};
  desktop_.alerts.runModal(alert,
                           [completion = std::move(completion)](const AlertResponse& response) {
                             // OK on an empty field answers the empty text; only Cancel is null.
                             if (response.code == alertFirstButtonReturn) {
                               completion(response.fieldText);
                             } else {
                               completion(std::nullopt);
                             }
                           });
}

ContextMenuChange PageRequests::contextMenuChange(ContextMenuEntry entry,
                                                  const std::optional<Url>& link) const {
  return velmora::contextMenuChange(entry, contextLinkKind(link, platformOrigins()));
}

void PageRequests::openLinkInBrowser(const Url& link) {
  // Only what the menu offered: another site's web page.
  if (contextLinkKind(link, platformOrigins()) == ContextLink::foreignWeb)
    desktop_.workspace.openURL(link);
}

} // namespace velmora
