#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::handleConnectLink(const Url& /*link*/) {}

}  // namespace velmora
