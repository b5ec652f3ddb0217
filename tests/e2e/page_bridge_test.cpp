// The page bridge in the real application, read over D-Bus as the desktop
// shell reads the badge and the Go menu.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::testing {
namespace {

constexpr const char* appUri = "application://com.haulvane.Velmora.desktop";

// The Go menu's items once their labels ("-" between sections) are
// `labels`; empty when they never are.
std::vector<ExportedMenuItem> goMenuOnceItShows(const std::vector<std::string>& labels) {
  std::vector<ExportedMenuItem> items;
  const bool shown = waitUntil([&] {
    const auto bar = readExportedMenuBar();
    if (!bar || bar->size() != 6)
      return false;
    items = (*bar)[3].submenu;
    std::vector<std::string> seen;
    for (const auto& item : items)
      seen.push_back(item.isSeparator ? "-" : item.label);
    return seen == labels;
  });
  return shown ? items : std::vector<ExportedMenuItem>{};
}

const std::vector<std::string> dashboardMenu{"Dashboard", "Jobs",    "Drivers", "Trucks",
                                             "Invoices",  "Reports", "-",       "Sign out"};

// "win.goToPath-3" as the name Describe and Activate take.
std::string actionName(const ExportedMenuItem& item) {
  return item.action.substr(item.action.find('.') + 1);
}

// The labels of the entries whose check mark is on.
std::vector<std::string> checked(const std::vector<ExportedMenuItem>& items) {
  std::vector<std::string> labels;
  for (const auto& item : items) {
    const auto description =
        item.isSeparator ? std::nullopt
                         : describeAction("/com/haulvane/Velmora/window/1", actionName(item));
    if (description && description->booleanState.value_or(false))
      labels.push_back(item.label);
  }
  return labels;
}

// Desktops without a dock badge (stock GNOME) show the count all the same:
// it is in the window's title, which every taskbar and switcher reads.
TEST(PageBridgeE2ETest, TheUnreadCountIsTheBadgeAndTheTitleAndEachPagesNavigationTheGoMenu) {
  LauncherEntryWatcher badges; // watching before the application starts
  PlatformSession session(/*signedIn=*/true);
  session.launch();
  const std::string window = waitForWindow();
  const auto badgeShows = [&](std::int64_t count, bool visible) {
    return waitUntil([&] {
      return std::ranges::any_of(badges.badgeUpdates(), [&](const auto& update) {
        return update.appUri == appUri && update.count == count && update.countVisible == visible;
      });
    });
  };
  const auto titleIs = [&](const std::string& title) {
    return waitUntil([&] { return windowTitle(window) == title; });
  };
  EXPECT_TRUE(badgeShows(3, true)) << "the sample dashboard shows 3 unread";
  EXPECT_TRUE(titleIs("Velmora (3)")) << windowTitle(window);
  auto items = goMenuOnceItShows(dashboardMenu);
  ASSERT_FALSE(items.empty()) << "the Go menu never showed the dashboard's links";
  EXPECT_EQ(checked(items), std::vector<std::string>{"Dashboard"});

  // Choosing "Drivers" loads it; the menu then marks Drivers.
  size_t since = session.logged();
  ASSERT_TRUE(session.app->activate("win." + actionName(items[2])));
  EXPECT_TRUE(session.platform.waitForPath("/drivers", since));
  EXPECT_TRUE(waitUntil([&] {
    return checked(goMenuOnceItShows(dashboardMenu)) == std::vector<std::string>{"Drivers"};
  }));
  // Ctrl+2 is the second link.
  since = session.logged();
  pressKeys(window, "ctrl+2");
  EXPECT_TRUE(session.platform.waitForPath("/jobs", since));

  // A page with other navigation: nothing of the dashboard's lingers.
  session.open("/bridge/portal");
  EXPECT_FALSE(
      goMenuOnceItShows({"Tow requests", "Vehicles", "Invoices", "-", "Sign out"}).empty());
  // A page without navigation leaves only Sign In, which goes to the
  // dashboard command: the sign-in page of the server.
  session.open("/bridge/count");
  items = goMenuOnceItShows({"Sign In"});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].action, "win.goHome");
  since = session.logged();
  ASSERT_TRUE(session.app->activate(items[0].action));
  EXPECT_TRUE(session.platform.waitForPath("/login", since));
  EXPECT_FALSE(goMenuOnceItShows(dashboardMenu).empty())
      << "signed in, the sign-in page leads back to the dashboard";

  // With nothing unread the page hides its count: the badge goes away and
  // the title is the name alone.
  for (const auto& [unread, title] : {std::pair{1204, "Velmora (1204)"}, {0, "Velmora"}}) {
    ASSERT_EQ(session.platform.control("notifications=" + std::to_string(unread)), 200);
    ASSERT_TRUE(session.app->activate("win.reloadPage"));
    EXPECT_TRUE(badgeShows(unread, unread > 0)) << unread;
    EXPECT_TRUE(titleIs(title)) << windowTitle(window);
  }
}

} // namespace
} // namespace velmora::testing
