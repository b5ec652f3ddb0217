// The application object: its menu bar, its place among other applications,
// and its end.
#pragma once

#include "platform/menus.hpp"

namespace velmora {

class Application {
public:
  virtual ~Application() = default;
  // Draws the menu bar and gives the live Go menu (the one whose role is
  // `go`), or none when the bar has none.
  virtual Menu* setMainMenu(const MenuBar& menuBar) = 0;
  // Brings the application's window in front of other applications.
  virtual void activateIgnoringOtherApps() = 0;
  // Ends the application after the current event.
  virtual void terminate() = 0;
  // The menu items whose enabled state may have changed (Back, Forward).
  virtual void invalidateMenuItems() = 0;
};

} // namespace velmora
