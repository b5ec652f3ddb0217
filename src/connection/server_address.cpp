#include "window/browser_window_controller.hpp"

namespace velmora {

std::optional<std::string> BrowserWindowController::storedServer() const {
  return desktop.settings.stringForKey("serverURL");
}

Url BrowserWindowController::serverURL() const {
  const std::string text = storedServer().value_or(std::string(suggestedServer));
  if (auto url = Url::parse(text))
    return *url;
  // The default is a fixed, valid address, so this always parses.
  return *Url::parse(suggestedServer);
}

} // namespace velmora
