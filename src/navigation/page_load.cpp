#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::removeErrorOverlay() {
  if (errorOverlay) errorOverlay->removeFromSuperview();
  errorOverlay.reset();
}

void BrowserWindowController::didStartProvisionalNavigation() { removeErrorOverlay(); }

void BrowserWindowController::didFinishNavigation() {}

void BrowserWindowController::didFailProvisionalNavigation(const WebError& error) {
  if (error.code == WebError::cancelled ||
      error.code == WebError::frameLoadInterruptedByPolicyChange)
    return;
  showErrorOverlay(error.localizedDescription);
}

void BrowserWindowController::backForwardListDidChange() {
  desktop.application.invalidateMenuItems();
}

void BrowserWindowController::showErrorOverlay(const std::string& message) {
  removeErrorOverlay();
  OverlayDescription overlay;
  overlay.title.text = "Can\u2019t reach the dispatch server";
  overlay.message.text = message;
  overlay.buttons = {Button{"Try Again", "\r", [this] { reloadFromOverlay(); }},
                     Button{"Change Server\u2026", "", [this] { changeServerFromOverlay(); }}};
  errorOverlay = window->addOverlay(overlay);
}

void BrowserWindowController::reloadFromOverlay() {
  removeErrorOverlay();
  loadHome();
}

void BrowserWindowController::changeServerFromOverlay() {
  removeErrorOverlay();
  showConnectPanel(false);
}

}  // namespace velmora
