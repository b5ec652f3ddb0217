#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::didReceiveScriptMessage(const ScriptMessage& /*message*/) {}

}  // namespace velmora
