#include "gtk/menu_bar.hpp"

#include "app/app_delegate.hpp"

#include <webkit/webkit.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <iterator>
#include <optional>

namespace velmora::gtk {
namespace {

enum class Scope { application, window };

// Every action a menu item can send, in the order of the Action enum, with
// all that the backend needs to know of it: its GAction name and scope,
// whether the menu bar draws it here, whether its enabled state is the
// window controller's to decide, and, for the editing actions, the engine's
// command and the text field's own action that carry it out.
struct ActionInfo {
  Action action;
  const char* name;
  Scope scope;
  bool drawn;
  bool validated;
  const char* pageCommand = nullptr;
  const char* fieldAction = nullptr;
};

constexpr auto app = Scope::application;
constexpr auto win = Scope::window;

// "Hide Others" and "Show All" have no meaning on Linux desktops: the model
// keeps them, the drawn menu leaves them out.
constexpr std::array actionTable{
    ActionInfo{Action::orderFrontStandardAboutPanel, "about", app, true, false},
    ActionInfo{Action::showPreferences, "preferences", app, true, false},
    ActionInfo{Action::showKeyboardShortcuts, "shortcuts", app, true, false},
    ActionInfo{Action::printPage, "printPage", win, true, true},
    ActionInfo{Action::hide, "hide", win, true, true},
    ActionInfo{Action::hideOtherApplications, "hide-others", app, false, false},
    ActionInfo{Action::unhideAllApplications, "show-all", app, false, false},
    ActionInfo{Action::terminate, "quit", app, true, false},
    ActionInfo{Action::undo, "undo", win, true, false, WEBKIT_EDITING_COMMAND_UNDO, "text.undo"},
    ActionInfo{Action::redo, "redo", win, true, false, WEBKIT_EDITING_COMMAND_REDO, "text.redo"},
    ActionInfo{Action::cut, "cut", win, true, false, WEBKIT_EDITING_COMMAND_CUT, "clipboard.cut"},
    ActionInfo{Action::copy, "copy", win, true, false, WEBKIT_EDITING_COMMAND_COPY,
               "clipboard.copy"},
    ActionInfo{Action::paste, "paste", win, true, false, WEBKIT_EDITING_COMMAND_PASTE,
               "clipboard.paste"},
    ActionInfo{Action::selectAll, "select-all", win, true, false, WEBKIT_EDITING_COMMAND_SELECT_ALL,
               "selection.select-all"},
    ActionInfo{Action::showFindBar, "find", win, true, true},
    ActionInfo{Action::findNext, "findNext", win, true, true},
    ActionInfo{Action::findPrevious, "findPrevious", win, true, true},
    ActionInfo{Action::reloadPage, "reloadPage", win, true, true},
    ActionInfo{Action::goHome, "goHome", win, true, true},
    ActionInfo{Action::zoomActual, "zoomActual", win, true, true},
    ActionInfo{Action::zoomIn, "zoomIn", win, true, true},
    ActionInfo{Action::zoomOut, "zoomOut", win, true, true},
    ActionInfo{Action::copyPageAddress, "copyPageAddress", win, true, true},
    ActionInfo{Action::openPageInBrowser, "openPageInBrowser", win, true, true},
    ActionInfo{Action::goToPath, "goToPath", win, true, true},
    ActionInfo{Action::goBack, "goBack", win, true, true},
    ActionInfo{Action::goForward, "goForward", win, true, true},
    ActionInfo{Action::performMiniaturize, "minimize", win, true, true},
    ActionInfo{Action::performZoom, "zoom", win, true, true},
    ActionInfo{Action::showDownloads, "downloads", win, true, true},
    ActionInfo{Action::toggleOpenAtLogin, "openAtLogin", app, true, false},
    ActionInfo{Action::copySupportReport, "copySupportReport", app, true, false},
    ActionInfo{Action::forgetLastCopies, "forgetLastCopies", win, true, true},
};

// A row for every action, each in its own place: a lookup cannot miss, and
// an action added without its row does not build.
constexpr bool everyActionInOrder() {
  for (std::size_t i = 0; i < actionTable.size(); ++i)
    if (static_cast<std::size_t>(actionTable[i].action) != i)
      return false;
  return actionTable.size() == actionCount;
}
static_assert(everyActionInOrder(), "actionTable must list every Action, in enum order");

constexpr const ActionInfo& infoOf(Action action) {
  return actionTable[static_cast<std::size_t>(action)];
}

std::string detailedName(Action action) {
  const ActionInfo& info = infoOf(action);
  return std::string(info.scope == Scope::window ? "win." : "app.") + info.name;
}

// "," with Command becomes "<Control>comma"; an upper-case letter implies
// Shift, as it does for the original key equivalents.
std::vector<std::string> acceleratorsFor(const MenuItem& item) {
  if (item.keyEquivalent.empty())
    return {};
  std::string mods;
  if (item.modifierMask & modifier::command)
    mods += "<Control>";
  if (item.modifierMask & modifier::option)
    mods += "<Alt>";
  char key = item.keyEquivalent.front();
  if (item.modifierMask & modifier::shift || std::isupper(static_cast<unsigned char>(key)))
    mods += "<Shift>";
  key = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
  switch (key) {
  case ',':
    return {mods + "comma"};
  // Zoom In is also reached without Shift on keyboards whose "+" shares a
  // key with "=".
  case '+':
    return {mods + "plus", mods + "equal", mods + "KP_Add"};
  case '-':
    return {mods + "minus", mods + "KP_Subtract"};
  case '[':
    return {mods + "bracketleft"};
  case ']':
    return {mods + "bracketright"};
  case '?':
    return {mods + "question"};
  default:
    return {mods + std::string(1, key)};
  }
}

// Keys Linux users expect besides the menu's own: Alt+Left and Alt+Right,
// and the dedicated Back and Forward keys some keyboards carry.
std::vector<std::string> desktopAccelerators(Action action) {
  switch (action) {
  case Action::goBack:
    return {"<Alt>Left", "Back"};
  case Action::goForward:
    return {"<Alt>Right", "Forward"};
  default:
    return {};
  }
}

void setAccelerators(GtkApplication* app, const std::string& detailed,
                     const std::vector<std::string>& accelerators) {
  std::vector<const char*> list;
  for (const auto& accel : accelerators)
    list.push_back(accel.c_str());
  list.push_back(nullptr);
  gtk_application_set_accels_for_action(app, detailed.c_str(), list.data());
}

void onActivate(GSimpleAction* action, GVariant* parameter, gpointer data) {
  const auto* dispatch = static_cast<const ActionDispatcher*>(data);
  const auto which =
      static_cast<Action>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(action), "velmora-action")));
  (*dispatch)(which, parameter);
}

void addActions(GActionMap* map, Scope scope, const ActionDispatcher& dispatch) {
  auto* shared = new ActionDispatcher(dispatch);
  g_object_set_data_full(
      G_OBJECT(map), scope == Scope::window ? "velmora-win-dispatch" : "velmora-app-dispatch",
      shared, [](gpointer data) { delete static_cast<ActionDispatcher*>(data); });
  for (const ActionInfo& info : actionTable) {
    if (info.scope != scope || !info.drawn)
      continue;
    // "goToPath" with an address opens it as a Go menu item would; the items
    // themselves use actions of their own (see GoMenu).
    // Open at Login is drawn as a check item: a boolean state and no
    // parameter. The backend sets the state from the autostart entry; its
    // own activation handler keeps GTK from flipping it unasked.
    const auto action = GObjectPtr<GSimpleAction>::adopt(
        info.action == Action::toggleOpenAtLogin
            ? g_simple_action_new_stateful(info.name, nullptr, g_variant_new_boolean(FALSE))
            : g_simple_action_new(info.name, info.action == Action::goToPath ? G_VARIANT_TYPE_STRING
                                                                             : nullptr));
    g_object_set_data(G_OBJECT(action.get()), "velmora-action",
                      GINT_TO_POINTER(static_cast<int>(info.action)));
    g_signal_connect(action.get(), "activate", G_CALLBACK(onActivate), shared);
    g_action_map_add_action(map, G_ACTION(action.get()));
  }
}

// What a Go menu link's action opens, and through whom.
struct LinkTarget {
  std::shared_ptr<ActionDispatcher> dispatch;
  std::string url;

  void open() const {
    GVariantPtr target(g_variant_ref_sink(g_variant_new_string(url.c_str())));
    (*dispatch)(Action::goToPath, target.get());
  }
};

void onLinkActivate(GSimpleAction*, GVariant*, gpointer target) {
  static_cast<const LinkTarget*>(target)->open();
}

// GTK draws a menu model's labels with mnemonics: a page's "Tow_Log" would
// show as "TowLog" with an underlined L. A doubled underscore draws as one.
std::string escapeMnemonics(const std::string& label) {
  std::string escaped;
  escaped.reserve(label.size());
  for (char c : label) {
    escaped += c;
    if (c == '_')
      escaped += '_';
  }
  return escaped;
}

} // namespace

GoMenu::GoMenu(GtkApplication* app, GMenu* menu) : app_(app), menu_(menu) {}

GoMenu::~GoMenu() {
  if (window_)
    g_object_remove_weak_pointer(G_OBJECT(window_), windowSlot());
}

void GoMenu::attach(GtkApplicationWindow* window, const ActionDispatcher& dispatch) {
  if (window_)
    g_object_remove_weak_pointer(G_OBJECT(window_), windowSlot());
  window_ = window;
  g_object_add_weak_pointer(G_OBJECT(window_), windowSlot());
  dispatch_ = std::make_shared<ActionDispatcher>(dispatch);
}

void GoMenu::removeAllItems() {
  g_menu_remove_all(menu_);
  section_.reset();
  count_ = 0;
  for (const std::string& detailed : acceleratedActions_)
    setAccelerators(app_, detailed, {});
  acceleratedActions_.clear();
  if (window_) {
    for (const std::string& name : linkActions_)
      g_action_map_remove_action(G_ACTION_MAP(window_), name.c_str());
  }
  linkActions_.clear();
}

// A stateful boolean action without a parameter is what GTK draws as a
// check item; its own activation handler keeps the state from toggling, so
// the mark stays on the page on show until the next page reports.
std::string GoMenu::addLinkAction(const MenuItem& item) {
  if (!window_ || !dispatch_ || !item.representedObject)
    return {};
  const std::string name = "goToPath-" + std::to_string(linkActions_.size() + 1);
  const auto action = GObjectPtr<GSimpleAction>::adopt(
      g_simple_action_new_stateful(name.c_str(), nullptr, g_variant_new_boolean(item.stateOn)));
  g_signal_connect_data(
      action.get(), "activate", G_CALLBACK(onLinkActivate),
      new LinkTarget{dispatch_, item.representedObject->absoluteString()},
      [](gpointer data, GClosure*) { delete static_cast<LinkTarget*>(data); }, GConnectFlags(0));
  g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action.get()));
  linkActions_.push_back(name);
  return "win." + name;
}

void GoMenu::addItem(const MenuItem& item) {
  ++count_;
  if (item.isSeparator || !section_) {
    section_ = GObjectPtr<GMenu>::adopt(g_menu_new());
    g_menu_append_section(menu_, nullptr, G_MENU_MODEL(section_.get()));
    if (item.isSeparator)
      return;
  }
  std::string detailed;
  if (item.action == Action::goToPath) {
    detailed = addLinkAction(item);
  } else if (item.action) {
    detailed = detailedName(*item.action);
  }
  // The Go menu's titles are page text.
  GObjectPtr<GMenuItem> entry = GObjectPtr<GMenuItem>::adopt(g_menu_item_new(
      escapeMnemonics(item.title).c_str(), detailed.empty() ? nullptr : detailed.c_str()));
  g_menu_append_item(section_.get(), entry.get());
  if (!detailed.empty() && !item.keyEquivalent.empty()) {
    setAccelerators(app_, detailed, acceleratorsFor(item));
    acceleratedActions_.push_back(detailed);
  }
}

DrawnMenuBar drawMenuBar(GtkApplication* app, const MenuBar& menuBar) {
  DrawnMenuBar drawn;
  drawn.bar = GObjectPtr<GMenu>::adopt(g_menu_new());
  for (const MenuModel& model : menuBar.menus) {
    auto submenu = GObjectPtr<GMenu>::adopt(g_menu_new());
    if (model.role == MenuModel::Role::go) {
      drawn.goMenu = std::make_unique<GoMenu>(app, submenu.get());
    } else {
      GObjectPtr<GMenu> section = GObjectPtr<GMenu>::adopt(g_menu_new());
      g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(section.get()));
      for (const MenuItem& item : model.items) {
        if (item.isSeparator) {
          section = GObjectPtr<GMenu>::adopt(g_menu_new());
          g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(section.get()));
          continue;
        }
        if (!item.action || !infoOf(*item.action).drawn)
          continue;
        const std::string detailed = detailedName(*item.action);
        g_menu_append(section.get(), item.title.c_str(), detailed.c_str());
        std::vector<std::string> accelerators = acceleratorsFor(item);
        std::ranges::copy(desktopAccelerators(*item.action), std::back_inserter(accelerators));
        setAccelerators(app, detailed, accelerators);
      }
    }
    g_menu_append_submenu(drawn.bar.get(), mnemonicTitle(model.title, model.mnemonic).c_str(),
                          G_MENU_MODEL(submenu.get()));
  }
  return drawn;
}

void installApplicationActions(GtkApplication* app, const ActionDispatcher& dispatch) {
  addActions(G_ACTION_MAP(app), Scope::application, dispatch);
}

void installWindowActions(GtkApplicationWindow* window, const ActionDispatcher& dispatch) {
  addActions(G_ACTION_MAP(window), Scope::window, dispatch);
}

const std::vector<Action>& validatedActions() {
  // Asked for at every load's start and end: read off the table once.
  static const std::vector<Action> validated = [] {
    std::vector<Action> actions;
    for (const ActionInfo& info : actionTable)
      if (info.validated)
        actions.push_back(info.action);
    return actions;
  }();
  return validated;
}

const char* actionName(Action action) {
  return infoOf(action).name;
}

void showAboutDialog(GtkWindow* parent, const std::string& server) {
  // The server and the engine are the first things support asks about.
  const std::string comments =
      "A desktop window onto your company's towing dispatch platform.\n\nServer: " + server +
      "\nWeb engine: " + engineVersion();
  gtk_show_about_dialog(parent, "program-name", "Velmora", "version", VELMORA_VERSION,
                        "logo-icon-name", "com.haulvane.Velmora", "comments", comments.c_str(),
                        nullptr);
}

std::string engineVersion() {
  return "WebKitGTK " + std::to_string(webkit_get_major_version()) + "." +
         std::to_string(webkit_get_minor_version()) + "." +
         std::to_string(webkit_get_micro_version());
}

bool isEditingAction(Action action) {
  return infoOf(action).pageCommand != nullptr;
}

void performEditingAction(GtkWindow* window, Action action) {
  const ActionInfo& info = infoOf(action);
  GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window));
  if (!focus || !info.pageCommand)
    return;
  if (GtkWidget* page = gtk_widget_get_ancestor(focus, WEBKIT_TYPE_WEB_VIEW)) {
    webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(page), info.pageCommand);
    return;
  }
  gtk_widget_activate_action(focus, info.fieldAction, nullptr);
}

} // namespace velmora::gtk
