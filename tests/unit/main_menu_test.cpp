// The menu bar model and how the delegate routes the items' actions, before
// and after the window exists.
#include "app/app_delegate.hpp"
#include "fake_desktop.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace velmora {
namespace {

using testing::FakeDesktop;

constexpr Action windowActions[] = {
    Action::reloadPage,      Action::goHome,           Action::zoomIn,    Action::zoomOut,
    Action::zoomActual,      Action::goBack,           Action::goForward, Action::goToPath,
    Action::printPage,       Action::showFindBar,      Action::findNext,  Action::findPrevious,
    Action::copyPageAddress, Action::openPageInBrowser};

// The items' titles and keys are a table in the code and are checked from
// outside on the built application; here, what no table edit may break.
TEST(MainMenuTest, KeepsTheGoMenuEmptyAndNoShortcutTwice) {
  const MenuBar bar = buildMenu();
  ASSERT_EQ(bar.menus.size(), 6u);
  EXPECT_EQ(bar.menus[3].role, MenuModel::Role::go);
  EXPECT_TRUE(bar.menus[3].items.empty()) << "the Go menu is filled by the page";
  std::set<std::pair<std::string, std::uint32_t>> shortcuts;
  for (const MenuModel& menu : bar.menus) {
    for (const MenuItem& item : menu.items) {
      if (item.isSeparator)
        continue;
      EXPECT_TRUE(item.action) << item.title;
      if (!item.keyEquivalent.empty()) {
        EXPECT_TRUE(shortcuts.emplace(item.keyEquivalent, item.modifierMask).second)
            << item.title << " repeats a shortcut";
      }
    }
  }
  EXPECT_FALSE(shortcuts.empty());
}

// Alt and a letter open each menu: every menu has its letter, no two share
// one, and the drawn title marks it.
TEST(MainMenuTest, EachMenuOpensWithALetterOfItsOwn) {
  const MenuBar bar = buildMenu();
  std::set<int> letters;
  for (const MenuModel& menu : bar.menus) {
    EXPECT_NE(mnemonicTitle(menu.title, menu.mnemonic), menu.title) << menu.title << " unmarked";
    EXPECT_TRUE(letters.insert(std::tolower(static_cast<unsigned char>(menu.mnemonic))).second)
        << menu.title << " repeats a letter";
  }
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

TEST(MenuRoutingTest, BeforeLaunchOnlyApplicationItemsWorkAndNothingCrashes) {
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
}

TEST(MenuRoutingTest, ItemsReachTheControllerAndTheWindow) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  delegate.applicationDidFinishLaunching();

  // The history, Settings…, the keys, Print, Find, Downloads and the page
  // address items are followed into the built application by the
  // end-to-end tests; these items are not.
  // "Hide Velmora" has no application-wide meaning here: it minimises.
  delegate.perform(Action::hide);
  delegate.perform(Action::performMiniaturize);
  EXPECT_EQ(fake.window().miniaturizations, 2);
  delegate.perform(Action::performZoom);
  EXPECT_EQ(fake.window().zooms, 1);
}

} // namespace
} // namespace velmora
