// The menu bar as data. The core builds it once; the backend draws it and
// routes each item's action to the application delegate or the window
// controller. Only the Go menu changes afterwards, through `Menu`.
#pragma once

#include "platform/url.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Every action a menu item or control can send.
enum class Action {
  orderFrontStandardAboutPanel,
  showPreferences,
  showKeyboardShortcuts,
  printPage,
  hide,
  hideOtherApplications,
  unhideAllApplications,
  terminate,
  undo,
  redo,
  cut,
  copy,
  paste,
  selectAll,
  showFindBar,
  findNext,
  findPrevious,
  reloadPage,
  goHome,
  zoomActual,
  zoomIn,
  zoomOut,
  copyPageAddress,
  openPageInBrowser,
  goToPath,
  goBack,
  goForward,
  performMiniaturize,
  performZoom,
  showDownloads,
  toggleOpenAtLogin,
  copySupportReport,
  forgetLastCopies,
};
// How many actions there are; forgetLastCopies is the last.
inline constexpr std::size_t actionCount = static_cast<std::size_t>(Action::forgetLastCopies) + 1;

// Modifier masks with the values of the original key-equivalent model;
// Command becomes Control where the backend draws them.
namespace modifier {
inline constexpr std::uint32_t shift = 0x20000;
inline constexpr std::uint32_t option = 0x80000;
inline constexpr std::uint32_t command = 0x100000;
} // namespace modifier

struct MenuItem {
  bool isSeparator = false;
  std::string title;
  std::optional<Action> action;
  // One character, or empty for none. An upper-case letter implies Shift.
  std::string keyEquivalent;
  std::uint32_t modifierMask = modifier::command;
  // The Go menu's links carry the URL they open.
  std::optional<Url> representedObject;
  // Shows a check mark.
  bool stateOn = false;

  [[nodiscard]] static MenuItem separator() {
    MenuItem item;
    item.isSeparator = true;
    item.modifierMask = 0;
    return item;
  }
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct MenuModel {
  enum class Role { ordinary, application, go, windows };
  std::string title;
  Role role = Role::ordinary;
  std::vector<MenuItem> items;
  // The letter of the title that opens the menu with Alt where the menu bar
  // is drawn with mnemonics; none when it has none.
  char mnemonic = 0;
};

struct MenuBar {
  std::vector<MenuModel> menus;
};

// A live menu in the drawn menu bar whose items can be replaced in place.
class Menu {
public:
  virtual ~Menu() = default;
  virtual void removeAllItems() = 0;
  [[nodiscard]] virtual int numberOfItems() const = 0;
  virtual void addItem(const MenuItem& item) = 0;
};

} // namespace velmora
