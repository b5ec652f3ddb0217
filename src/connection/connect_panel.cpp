#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::showConnectPanel(bool firstRun) {
  Alert panel;
  panel.messageText = firstRun ? "Connect to your towing platform" : "Server address";
  panel.buttons = {"Connect", firstRun ? "Quit" : "Cancel"};
  desktop.alerts.runModal(panel, [this, firstRun](const AlertResponse& response) {
    if (response.code != alertFirstButtonReturn && firstRun) desktop.application.terminate();
  });
}

}  // namespace velmora
