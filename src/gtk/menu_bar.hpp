// Draws the core's menu bar model as a GMenu with actions and keyboard
// accelerators (Command becomes Control), and keeps the Go menu live so its
// items can be replaced in place.
#pragma once

#include "glib_owners/glib_ptr.hpp"
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
// new section. Each link item gets an action of its own on the window,
// "win.goToPath-N", whose boolean state draws the check mark of the page on
// show and whose activation opens the item's address.
class GoMenu final : public Menu {
public:
  GoMenu(GtkApplication* app, GMenu* menu);
  ~GoMenu() override;
  GoMenu(const GoMenu&) = delete;
  GoMenu& operator=(const GoMenu&) = delete;

  // The window whose action map holds the items' actions, and where their
  // activations are sent. Items come from the window's page, so they are
  // never added before this is called.
  void attach(GtkApplicationWindow* window, const ActionDispatcher& dispatch);

  void removeAllItems() override;
  [[nodiscard]] int numberOfItems() const override { return count_; }
  void addItem(const MenuItem& item) override;

private:
  std::string addLinkAction(const MenuItem& item);
  gpointer* windowSlot() { return reinterpret_cast<gpointer*>(&window_); }

  GtkApplication* app_;
  GMenu* menu_;                            // owned by the menu bar
  GtkApplicationWindow* window_ = nullptr; // weak: cleared when it goes
  std::shared_ptr<ActionDispatcher> dispatch_;
  GObjectPtr<GMenu> section_;
  int count_ = 0;
  std::vector<std::string> linkActions_;
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
[[nodiscard]] const std::vector<Action>& validatedActions();
// The action's name without its "app." or "win." prefix.
[[nodiscard]] const char* actionName(Action action);

// About Velmora, with the server in use (as the support report words it).
void showAboutDialog(GtkWindow* parent, const std::string& server);
// "WebKitGTK 2.50.6": the engine this process runs.
[[nodiscard]] std::string engineVersion();
// Whether the action is an editing command (undo, copy, ...).
[[nodiscard]] bool isEditingAction(Action action);
// Sends an editing command to whatever has the keyboard focus: the page or
// a text field.
void performEditingAction(GtkWindow* window, Action action);

} // namespace velmora::gtk
