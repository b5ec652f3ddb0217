// What the backend's application object tells the core: the moments of the
// application's life, links handed to it, and the menu actions it cannot
// carry out itself. The application delegate is the one implementation.
#pragma once

#include "platform/menus.hpp"
#include "platform/url.hpp"

#include <optional>
#include <vector>

namespace velmora {

class ApplicationDelegate {
public:
  virtual ~ApplicationDelegate() = default;
  // Once, before the event loop runs: the menu bar is built and installed.
  virtual void applicationWillFinishLaunching() = 0;
  // Once, when the application is ready for its window.
  virtual void applicationDidFinishLaunching() = 0;
  // Started again, or its launcher clicked, while already running; true when
  // handled. `hasVisibleWindows` is false for a closed or minimised window.
  virtual bool applicationShouldHandleReopen(bool hasVisibleWindows) = 0;
  // Links the desktop hands over, at start or later.
  virtual void openURLs(const std::vector<Url>& urls) = 0;
  // A menu action the backend does not carry out itself, with the address a
  // Go menu entry carries.
  virtual void perform(Action action, const std::optional<Url>& representedObject) = 0;
  // Whether a menu item with this action is enabled now.
  [[nodiscard]] virtual bool validate(Action action) const = 0;
};

} // namespace velmora
