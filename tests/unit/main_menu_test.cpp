// The menu bar model: every menu, item, key and modifier a user relies on,
// and how the delegate routes the items' actions.
#include "app/app_delegate.hpp"
#include "fake_desktop.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;

constexpr std::uint32_t cmd = modifier::command;

struct Row {
  std::string title; // "-" for a separator
  std::optional<Action> action;
  std::string key;
  std::uint32_t mask = cmd;
};

std::vector<Row> rowsOf(const MenuModel& menu) {
  std::vector<Row> rows;
  for (const MenuItem& item : menu.items) {
    if (item.isSeparator) {
      rows.push_back({"-", std::nullopt, "", 0});
    } else {
      rows.push_back({item.title, item.action, item.keyEquivalent, item.modifierMask});
    }
  }
  return rows;
}

std::string describe(const Row& row) {
  return row.title + " key=" + row.key + " mask=" + std::to_string(row.mask) +
         " action=" + (row.action ? std::to_string(static_cast<int>(*row.action)) : "none");
}

void expectItems(const MenuModel& menu, const std::vector<Row>& expected) {
  const std::vector<Row> actual = rowsOf(menu);
  ASSERT_EQ(actual.size(), expected.size()) << "menu \"" << menu.title << "\"";
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(describe(actual[i]), describe(expected[i]))
        << "menu \"" << menu.title << "\", item " << i;
  }
}

const Row separator{"-", std::nullopt, "", 0};

TEST(MainMenuTest, HasTheSixMenusInOrder) {
  const MenuBar bar = buildMenu();
  ASSERT_EQ(bar.menus.size(), 6u);
  const std::pair<std::string, MenuModel::Role> expected[] = {
      {"", MenuModel::Role::application},     {"Edit", MenuModel::Role::ordinary},
      {"View", MenuModel::Role::ordinary},    {"Go", MenuModel::Role::go},
      {"History", MenuModel::Role::ordinary}, {"Window", MenuModel::Role::windows}};
  for (size_t i = 0; i < bar.menus.size(); ++i) {
    EXPECT_EQ(bar.menus[i].title, expected[i].first) << i;
    EXPECT_EQ(bar.menus[i].role, expected[i].second) << i;
  }
  EXPECT_TRUE(bar.menus[3].items.empty()) << "the Go menu is filled by the page";
}

// Among others: three items share "h" and differ only in their modifiers,
// and "Settings…" ends in the one ellipsis character, not three full stops.
TEST(MainMenuTest, EveryItemHasItsTitleActionKeyAndModifiers) {
  using enum Action;
  const MenuBar bar = buildMenu();
  ASSERT_EQ(bar.menus.size(), 6u);
  expectItems(bar.menus[0], {{"About Velmora", orderFrontStandardAboutPanel, ""},
                             separator,
                             {"Settings\u2026", showPreferences, ","},
                             separator,
                             {"Hide Velmora", hide, "h"},
                             {"Hide Others", hideOtherApplications, "h", 0x180000},
                             {"Show All", unhideAllApplications, ""},
                             separator,
                             {"Quit Velmora", terminate, "q"}});
  expectItems(bar.menus[1], {{"Undo", undo, "z"},
                             {"Redo", redo, "Z"},
                             separator,
                             {"Cut", cut, "x"},
                             {"Copy", copy, "c"},
                             {"Paste", paste, "v"},
                             {"Select All", selectAll, "a"}});
  expectItems(bar.menus[2], {{"Reload Page", reloadPage, "r"},
                             {"Go to Dashboard", goHome, "h", 0x120000},
                             separator,
                             {"Actual Size", zoomActual, "0"},
                             {"Zoom In", zoomIn, "+"},
                             {"Zoom Out", zoomOut, "-"}});
  expectItems(bar.menus[4], {{"Back", goBack, "["}, {"Forward", goForward, "]"}});
  expectItems(bar.menus[5], {{"Minimize", performMiniaturize, "m"}, {"Zoom", performZoom, ""}});
}

TEST(MenuRoutingTest, WindowCommandsAreDisabledUntilTheWindowExistsButSettingsIsNot) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  for (Action action : {Action::reloadPage, Action::goHome, Action::zoomIn, Action::zoomOut,
                        Action::zoomActual, Action::goBack, Action::goForward, Action::goToPath})
    EXPECT_FALSE(delegate.validate(action)) << static_cast<int>(action);
  EXPECT_TRUE(delegate.validate(Action::showPreferences));
  EXPECT_TRUE(delegate.validate(Action::terminate));

  delegate.applicationDidFinishLaunching();
  for (Action action : {Action::reloadPage, Action::goHome, Action::zoomIn, Action::zoomOut,
                        Action::zoomActual, Action::goToPath})
    EXPECT_TRUE(delegate.validate(action)) << static_cast<int>(action);
}

TEST(MenuRoutingTest, ItemsReachTheControllerAndTheWindow) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  delegate.applicationDidFinishLaunching();

  delegate.perform(Action::reloadPage);
  EXPECT_EQ(fake.webView().reloads, 1);
  delegate.perform(Action::zoomIn);
  EXPECT_DOUBLE_EQ(fake.webView().zoom, 1.1);
  delegate.perform(Action::goHome);
  EXPECT_EQ(fake.webView().loadedRequests.back().url.absoluteString(),
            "https://acme.example.test/login");
  // "Hide Velmora" has no application-wide meaning here: it minimises.
  delegate.perform(Action::hide);
  delegate.perform(Action::performMiniaturize);
  EXPECT_EQ(fake.window().miniaturizations, 2);
  delegate.perform(Action::performZoom);
  EXPECT_EQ(fake.window().zooms, 1);
  delegate.perform(Action::showPreferences);
  ASSERT_NE(fake.alerts.current(), nullptr);
  EXPECT_EQ(fake.alerts.current()->messageText, "Server address");
}

TEST(MenuRoutingTest, ADisabledBackDoesNothingWhenChosenByKey) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  delegate.applicationDidFinishLaunching();
  delegate.perform(Action::goBack);
  delegate.perform(Action::goForward);
  EXPECT_EQ(fake.webView().backs, 0);
  EXPECT_EQ(fake.webView().forwards, 0);
}

} // namespace
} // namespace velmora
