#include "window/browser_window_controller.hpp"

#include "navigation/navigation_policy.hpp"

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

void BrowserWindowController::createWebViewWithConfiguration(const NavigationAction& action) {
  switch (popUpOutcome(action.url, action.userGesture, serverURL())) {
  case PopUpOutcome::loadInWindow:
    // The request as the page made it: no timeout or cache policy of ours.
    webView->loadRequest(UrlRequest{.url = *action.url});
    return;
  case PopUpOutcome::openInBrowser:
    desktop.workspace.openURL(*action.url);
    return;
  case PopUpOutcome::nothing:
    return;
  }
}

void BrowserWindowController::requestGeolocationPermissionForOrigin(
    const std::string& originHost, std::function<void(PermissionDecision)> decisionHandler) {
  if (geolocationDecision(originHost, serverURL()) == PermissionDecision::grant) {
    // The grant does not wait for the desktop's answer: asking is enough to
    // let the desktop put its own question to the user the first time.
    locationManager.requestWhenInUseAuthorization();
    decisionHandler(PermissionDecision::grant);
    return;
  }
  decisionHandler(PermissionDecision::deny);
}

void BrowserWindowController::requestNotificationPermissionForOrigin(
    const std::string& originHost, std::function<void(PermissionDecision)> decisionHandler) {
  // The platform's own pages only, by the same rule as location.
  decisionHandler(geolocationDecision(originHost, serverURL()));
}

void BrowserWindowController::runJavaScriptAlertPanelWithMessage(
    const std::string& message, std::function<void()> completionHandler) {
  desktop.alerts.runModal(scriptDialog(message, {}),
                          [completionHandler = std::move(completionHandler)](const AlertResponse&) {
                            completionHandler();
                          });
}

void BrowserWindowController::runJavaScriptConfirmPanelWithMessage(
    const std::string& message, std::function<void(bool)> completionHandler) {
  desktop.alerts.runModal(
      scriptDialog(message, {"OK", "Cancel"}),
      [completionHandler = std::move(completionHandler)](const AlertResponse& response) {
        completionHandler(response.code == alertFirstButtonReturn);
      });
}

void BrowserWindowController::runJavaScriptTextInputPanelWithPrompt(
    const std::string& prompt, const std::optional<std::string>& defaultText,
    std::function<void(std::optional<std::string>)> completionHandler) {
  Alert alert = scriptDialog(prompt, {"OK", "Cancel"});
  alert.accessory = TextFieldAccessory{
      .stringValue = defaultText.value_or(""), .placeholderString = "", .width = 260, .height = 24};
  desktop.alerts.runModal(
      alert, [completionHandler = std::move(completionHandler)](const AlertResponse& response) {
        // OK on an empty field answers the empty text; only Cancel is null.
        if (response.code == alertFirstButtonReturn) {
          completionHandler(response.fieldText);
        } else {
          completionHandler(std::nullopt);
        }
      });
}

} // namespace velmora
