// Draws the core's menu bar model as a GMenu with actions and keyboard
// accelerators (Command becomes Control), and keeps the Go menu live so its
// items can be replaced in place.
#pragma once

#include "platform/gtk/glib_ptr.hpp"
#include "platform/menus.hpp"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace velmora::gtk {

using ActionDispatcher = std::function<void(Action, GVariant* parameter)>;

// The Go menu: items travel as sections of a GMenu, a separator starting a
// new section. Link items send "win.goToPath" with their URL.
class GoMenu final : public Menu {
 public:
  GoMenu(GtkApplication* app, GMenu* menu);
  void removeAllItems() override;
  [[nodiscard]] int numberOfItems() const override { return count_; }
  void addItem(const MenuItem& item) override;

 private:
  GtkApplication* app_;
  GMenu* menu_;  // owned by the menu bar
  GObjectPtr<GMenu> section_;
  int count_ = 0;
  std::vector<std::string> acceleratedActions_;
};

struct DrawnMenuBar {
  GObjectPtr<GMenu> bar;
  std::unique_ptr<GoMenu> goMenu;
};

[[nodiscard]] DrawnMenuBar drawMenuBar(GtkApplication* app, const MenuBar& menuBar);
// The application-wide actions (about, settings, quit).
void installApplicationActions(GtkApplication* app, const ActionDispatcher& dispatch);
// The window's actions: page commands, editing and window management.
void installWindowActions(GtkApplicationWindow* window, const ActionDispatcher& dispatch);
// The window actions whose enabled state the controller decides.
[[nodiscard]] std::span<const Action> windowActions();
// The action's name without its "app." or "win." prefix.
[[nodiscard]] const char* actionName(Action action);

void showAboutDialog(GtkWindow* parent);
// Sends an editing command to whatever has the keyboard focus: the page or
// a text field.
void performEditingAction(GtkWindow* window, Action action);

}  // namespace velmora::gtk
