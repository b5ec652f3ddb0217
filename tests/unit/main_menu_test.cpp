// The menu bar model and how the delegate routes the items' actions, before
// and after the window exists.
#include "app/app_delegate.hpp"
#include "fake_desktop.hpp"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

using testing::FakeDesktop;

constexpr Action windowActions[] = {
    Action::reloadPage,      Action::goHome,           Action::zoomIn,    Action::zoomOut,
    Action::zoomActual,      Action::goBack,           Action::goForward, Action::goToPath,
    Action::printPage,       Action::showFindBar,      Action::findNext,  Action::findPrevious,
    Action::copyPageAddress, Action::openPageInBrowser};

// The menus, their letters and each item's action are checked from outside
// on the built application; shortcuts are not, so no table edit may give
// one key to two items.
TEST(MainMenuTest, NoShortcutIsTakenTwice) {
  std::set<std::pair<std::string, std::uint32_t>> shortcuts;
  for (const MenuModel& menu : buildMenu().menus) {
    for (const MenuItem& item : menu.items) {
      if (!item.keyEquivalent.empty()) {
        EXPECT_TRUE(shortcuts.emplace(item.keyEquivalent, item.modifierMask).second)
            << item.title << " repeats a shortcut";
      }
    }
  }
  EXPECT_FALSE(shortcuts.empty());
}

TEST(MainMenuTest, MnemonicTitlesMarkTheFirstMatchAndKeepTheTitlesOwnUnderscores) {
  struct Row {
    const char* name;
    const char* title;
    char mnemonic;
    const char* expected;
  };
  const Row rows[] = {
      {"first letter", "Edit", 'E', "_Edit"},
      {"either case", "Edit", 'e', "_Edit"},
      {"first of two", "Velmora", 'o', "Velm_ora"},
      {"an underscore in the title", "Tow_Log", 'L', "Tow___Log"},
      {"no such letter", "Go", 'x', "Go"},
      {"no mnemonic", "Tow_Log", 0, "Tow__Log"},
      {"empty title", "", 'a', ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(mnemonicTitle(row.title, row.mnemonic), row.expected) << row.name;
}

// Before launch only the application's items work and nothing crashes;
// after it the window's items reach the controller and the window.
TEST(MenuRoutingTest, WindowItemsWaitForTheWindowAndThenReachIt) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  for (Action action : windowActions)
    EXPECT_FALSE(delegate.validate(action)) << static_cast<int>(action);
  EXPECT_TRUE(delegate.validate(Action::showPreferences));
  EXPECT_TRUE(delegate.validate(Action::showKeyboardShortcuts));
  EXPECT_TRUE(delegate.validate(Action::terminate));
  for (Action action : windowActions)
    delegate.perform(action);
  delegate.showPreferences();
  EXPECT_TRUE(fake.alerts.history.empty());
  EXPECT_EQ(fake.windows.window, nullptr);

  delegate.applicationDidFinishLaunching();
  // No page is on show yet, so there is no address to copy or open.
  for (Action action : windowActions) {
    const bool idle = action == Action::goBack || action == Action::goForward ||
                      action == Action::copyPageAddress || action == Action::openPageInBrowser;
    EXPECT_EQ(delegate.validate(action), !idle) << static_cast<int>(action);
  }
  // The history, Settings…, the keys, Print, Find, Downloads, Hide and the
  // page address items are followed into the built application by the
  // end-to-end tests; these items are not.
  delegate.perform(Action::performMiniaturize);
  EXPECT_EQ(fake.window().miniaturizations, 1);
  delegate.perform(Action::performZoom);
  EXPECT_EQ(fake.window().zooms, 1);
}

} // namespace
} // namespace velmora
