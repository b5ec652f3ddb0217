#include "navigation/navigation_policy.hpp"
#include "navigation/page_requests.hpp"
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

NewWindowResponse PageRequests::createWebView(const NavigationAction& action) {
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

void PageRequests::requestGeolocationPermission(const std::optional<Url>& origin,
                                                std::function<void(PermissionDecision)> decide) {
  if (geolocationDecision(origin, server_.serverURL()) == PermissionDecision::grant) {
    // The grant does not wait for the desktop's answer: asking is enough to
    // let the desktop put its own question to the user the first time.
    desktop_.location.requestWhenInUseAuthorization();
    decide(PermissionDecision::grant);
    return;
  }
  decide(PermissionDecision::deny);
}

void PageRequests::requestNotificationPermission(const std::optional<Url>& origin,
                                                 std::function<void(PermissionDecision)> decide) {
  // The platform's own pages only, by the same rule as location.
  decide(geolocationDecision(origin, server_.serverURL()));
}

bool PageRequests::admitDownload(Download& download) {
  if (mayStartDownload(download.start(), server_.serverURL()))
    return true;
  log::debug(log::Module::downloads,
             "refused a download that neither the user nor the platform asked for");
  download.cancel();
  return false;
}

std::vector<std::string> PageRequests::platformOrigins() const {
  return velmora::platformOrigins(server_.serverURL());
}

void PageRequests::runAlertPanel(const std::string& message, std::function<void()> completion) {
  desktop_.alerts.runModal(scriptDialog(message, {}), [completion = std::move(completion)](
                                                          const AlertResponse&) { completion(); });
}

void PageRequests::runConfirmPanel(const std::string& message,
                                   std::function<void(bool)> completion) {
  desktop_.alerts.runModal(scriptDialog(message, {"OK", "Cancel"}),
                           [completion = std::move(completion)](const AlertResponse& response) {
                             completion(response.code == alertFirstButtonReturn);
                           });
}

void PageRequests::runTextInputPanel(const std::string& prompt,
                                     const std::optional<std::string>& defaultText,
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

} // namespace velmora
