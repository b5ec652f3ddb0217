#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::goToPath(const std::optional<Url>& representedObject) {
  if (representedObject) openIfSameServer(*representedObject);
}

void BrowserWindowController::rebuildGoMenu(const std::vector<ScriptDictionary>& /*links*/) {}

}  // namespace velmora
