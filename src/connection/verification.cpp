#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::verifyAndAdopt(const Url& /*base*/, const std::string& /*host*/,
                                             bool /*firstRun*/) {}

void BrowserWindowController::probeLegacy(const Url& /*base*/, const std::string& /*host*/,
                                          bool /*firstRun*/) {}

}  // namespace velmora
