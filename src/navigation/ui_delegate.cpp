#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::createWebViewWithConfiguration(const NavigationAction& /*action*/) {}

void BrowserWindowController::requestGeolocationPermissionForOrigin(
    const std::string& /*originHost*/, std::function<void(PermissionDecision)> decisionHandler) {
  decisionHandler(PermissionDecision::deny);
}

void BrowserWindowController::requestNotificationPermissionForOrigin(
    const std::string& /*originHost*/, std::function<void(PermissionDecision)> decisionHandler) {
  decisionHandler(PermissionDecision::deny);
}

void BrowserWindowController::runJavaScriptAlertPanelWithMessage(
    const std::string& /*message*/, std::function<void()> completionHandler) {
  completionHandler();
}

void BrowserWindowController::runJavaScriptConfirmPanelWithMessage(
    const std::string& /*message*/, std::function<void(bool)> completionHandler) {
  completionHandler(false);
}

void BrowserWindowController::runJavaScriptTextInputPanelWithPrompt(
    const std::string& /*prompt*/, const std::optional<std::string>& /*defaultText*/,
    std::function<void(std::optional<std::string>)> completionHandler) {
  completionHandler(std::nullopt);
}

}  // namespace velmora
