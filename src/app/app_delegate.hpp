// The root of the program: it creates the window controller when launching
// finishes, shows the window again on reopen, keeps the application running
// when the window closes, opens Settings…, and takes in connect links, holding
// one that arrives before the window exists until it does.
#pragma once

#include "platform/desktop.hpp"
#include "platform/menus.hpp"
#include "platform/url.hpp"
#include "window/browser_window_controller.hpp"

#include <memory>
#include <optional>
#include <vector>

namespace velmora {

class AppDelegate {
public:
  explicit AppDelegate(Desktop& desktop);

  void applicationDidFinishLaunching();
  // Always true; shows the window when none is visible.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  // Always false: closing the window leaves the application running.
  [[nodiscard]] bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
  void showPreferences();
  void openURLs(const std::vector<Url>& urls);

  // Routes a menu action to whoever implements it: the delegate, the window
  // controller, or nobody while there is no window.
  void perform(Action action, const std::optional<Url>& representedObject = std::nullopt);
  // Whether a menu item with this action is enabled now.
  [[nodiscard]] bool validate(Action action) const;

  [[nodiscard]] BrowserWindowController* browserController() const { return browser.get(); }

  // The menu bar's Go menu, set once when the menu bar is installed.
  static inline Menu* goMenu = nullptr;

private:
  Desktop& desktop;
  std::unique_ptr<BrowserWindowController> browser;
  std::optional<Url> pendingLaunchURL;
};

// Builds the whole menu bar. The Go menu is empty; the Window menu has the
// `windows` role.
[[nodiscard]] MenuBar buildMenu();

} // namespace velmora
