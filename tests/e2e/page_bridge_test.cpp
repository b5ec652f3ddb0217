// The page bridge in the real application: the platform's unread count
// reaches the desktop as the launcher-entry badge signal, and each page's
// navigation becomes the Go menu that the desktop shell reads over D-Bus,
// whose entries and keys open their pages.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace velmora::testing {
namespace {

constexpr const char* windowPath = "/com/haulvane/Velmora/window/1";
constexpr const char* appUri = "application://com.haulvane.Velmora.desktop";

std::string windowId() {
  std::string id;
  waitUntil([&] {
    const std::string ids =
        runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
    id = ids.substr(0, ids.find('\n'));
    return !id.empty();
  });
  return id;
}

// Whether the part of the window given as "WxH+X+Y" holds more than one
// colour, that is, whether something has been drawn there.
bool drawn(const std::string& window, const std::string& region) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("velmora-drawn-" + window + ".png");
  (void)runCommand({"import", "-window", window, "-crop", region, file.string()});
  const std::string spread =
      runCommand({"convert", file.string(), "-format", "%[fx:standard_deviation]", "info:"});
  std::filesystem::remove(file);
  return !spread.empty() && std::stod(spread) > 0.01;
}

// The open menu is a surface of its own, also named after the application.
std::string openMenuSurface(const std::string& mainWindow) {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  std::istringstream lines(ids);
  for (std::string id; std::getline(lines, id);)
    if (id != mainWindow)
      return id;
  return {};
}

class SignedInApp {
public:
  SignedInApp() {
    EXPECT_EQ(platform.control("autosignin=1"), 200);
    home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
    app = std::make_unique<App>(home);
    EXPECT_TRUE(requested("/dashboard"));
  }
  ~SignedInApp() { EXPECT_TRUE(app->quit()); }

  bool requested(const std::string& path, size_t since = 0) const {
    return platform
        .waitForRequest([&](const LoggedRequest& r) { return r.path == path; }, 20s, since)
        .has_value();
  }
  size_t logged() const { return platform.requests().size(); }

  // The Go menu's items once they match `labels`; empty when they never do.
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

  SamplePlatform platform;
  TempHome home;
  LauncherEntryWatcher badges; // watching before the application starts
  std::unique_ptr<App> app;
};

const std::vector<std::string> dashboardMenu{"Dashboard", "Jobs",    "Drivers", "Trucks",
                                             "Invoices",  "Reports", "-",       "Sign out"};

// "win.goToPath-3" as the name Describe and Activate take.
std::string actionName(const ExportedMenuItem& item) {
  return item.action.substr(item.action.find('.') + 1);
}

std::vector<bool> checkMarks(const std::vector<ExportedMenuItem>& items) {
  std::vector<bool> marks;
  for (const auto& item : items) {
    if (item.isSeparator)
      continue;
    const auto description = describeAction(windowPath, actionName(item));
    marks.push_back(description && description->booleanState.value_or(false));
  }
  return marks;
}

TEST(DockBadgeE2ETest, ThePagesUnreadCountBecomesTheApplicationsBadge) {
  SignedInApp session;
  const auto shows = [&](std::int64_t count, bool visible) {
    return waitUntil([&] {
      for (const auto& update : session.badges.badgeUpdates())
        if (update.appUri == appUri && update.count == count && update.countVisible == visible)
          return true;
      return false;
    });
  };
  EXPECT_TRUE(shows(3, true)) << "the sample dashboard shows 3 unread";

  ASSERT_EQ(session.platform.control("notifications=1204"), 200);
  ASSERT_TRUE(session.app->activate("win.reloadPage"));
  EXPECT_TRUE(shows(1204, true));

  // With nothing unread the page hides its count: the badge goes away.
  ASSERT_EQ(session.platform.control("notifications=0"), 200);
  ASSERT_TRUE(session.app->activate("win.reloadPage"));
  EXPECT_TRUE(shows(0, false));
}

TEST(GoMenuE2ETest, TheDashboardsNavigationFillsTheGoMenuWithTheCurrentPageChecked) {
  SignedInApp session;
  auto items = session.goMenuOnceItShows(dashboardMenu);
  ASSERT_FALSE(items.empty()) << "the Go menu never showed the dashboard's links";
  EXPECT_EQ(checkMarks(items), (std::vector<bool>{true, false, false, false, false, false, false}));

  // Open it as a user does, by clicking its title in the menu bar, and look
  // once the page and the menu have been drawn.
  const std::string window = windowId();
  EXPECT_TRUE(waitUntil([&] { return drawn(window, "600x400+400+200"); }));
  (void)runCommand({"xdotool", "mousemove", "--window", window, "181", "63"});
  (void)runCommand({"xdotool", "mousemove_relative", "1", "0"});
  (void)runCommand({"xdotool", "click", "1"});
  EXPECT_TRUE(waitUntil([&] {
    const std::string menu = openMenuSurface(window);
    return !menu.empty() && drawn(menu, "100x100+20+20");
  }));
  screenshot(std::filesystem::current_path() / "screenshots" / "go-menu-open.png");
  (void)runCommand({"xdotool", "key", "Escape"});

  // Choosing "Drivers" loads it; the menu then marks Drivers.
  size_t since = session.logged();
  ASSERT_TRUE(session.app->activate("win." + actionName(items[2])));
  EXPECT_TRUE(session.requested("/drivers", since));
  EXPECT_TRUE(waitUntil([&] {
    items = session.goMenuOnceItShows(dashboardMenu);
    return checkMarks(items) == std::vector<bool>{false, false, true, false, false, false, false};
  }));

  // Ctrl+2 is the second link.
  since = session.logged();
  (void)runCommand(
      {"xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", "ctrl+2"});
  EXPECT_TRUE(session.requested("/jobs", since));
}

TEST(GoMenuE2ETest, EachPageReplacesTheWholeMenu) {
  SignedInApp session;
  ASSERT_FALSE(session.goMenuOnceItShows(dashboardMenu).empty());

  // A page with other navigation: nothing of the dashboard's lingers.
  ASSERT_TRUE(session.app->activate("win.goToPath", session.platform.url() + "/bridge/portal"));
  EXPECT_FALSE(
      session.goMenuOnceItShows({"Tow requests", "Vehicles", "Invoices", "-", "Sign out"}).empty());

  // A page without navigation leaves only Sign In, which goes to the
  // dashboard command: the sign-in page of the server.
  ASSERT_TRUE(session.app->activate("win.goToPath", session.platform.url() + "/bridge/count"));
  const auto items = session.goMenuOnceItShows({"Sign In"});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].action, "win.goHome");
  const size_t since = session.logged();
  ASSERT_TRUE(session.app->activate(items[0].action));
  EXPECT_TRUE(session.requested("/login", since));
  EXPECT_FALSE(session.goMenuOnceItShows(dashboardMenu).empty())
      << "signed in, the sign-in page leads back to the dashboard";
}

} // namespace
} // namespace velmora::testing
