// The root of the program: it creates the window controller when launching
// finishes, shows the window again on reopen, keeps the application running
// when the window closes, opens Settings…, and takes in connect links, holding
// one that arrives before the window exists until it does.
#pragma once

#include "platform/application_delegate.hpp"
#include "platform/desktop.hpp"
#include "platform/menus.hpp"
#include "platform/url.hpp"
#include "window/browser_window_controller.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class AppDelegate final : public ApplicationDelegate {
public:
  explicit AppDelegate(Desktop& desktop);

  // Builds and installs the menu bar, keeping its Go menu for the window.
  void applicationWillFinishLaunching() override;
  void applicationDidFinishLaunching() override;
  // Always true; shows the window when none is visible.
  bool applicationShouldHandleReopen(bool hasVisibleWindows) override;
  // Always false: closing the window leaves the application running.
  [[nodiscard]] bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
  void showPreferences();
  void openURLs(const std::vector<Url>& urls) override;

  // Routes a menu action to whoever implements it: the delegate, the window
  // controller, or nobody while there is no window.
  void perform(Action action, const std::optional<Url>& representedObject = std::nullopt) override;
  [[nodiscard]] bool validate(Action action) const override;

  [[nodiscard]] BrowserWindowController* browserController() const { return browser.get(); }

private:
  Desktop& desktop;
  // The menu bar's Go menu, once the bar is installed.
  Menu* goMenu = nullptr;
  std::unique_ptr<BrowserWindowController> browser;
  std::optional<Url> pendingLaunchURL;
};

// Builds the whole menu bar. The Go menu is empty; the Window menu has the
// `windows` role.
[[nodiscard]] MenuBar buildMenu();

// A menu's title as a toolkit that reads "_" as a mnemonic draws it: "_"
// before the first letter that matches `mnemonic` in either case, and every
// "_" of the title itself doubled. A title without that letter, or a
// mnemonic of 0, gets no mark.
[[nodiscard]] std::string mnemonicTitle(const std::string& title, char mnemonic);

} // namespace velmora
