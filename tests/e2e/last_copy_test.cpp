// The desk keeps reading its dashboard while the platform is down: the
// real application saves the page, offers its last copy on the error
// screen, shows it read only without a request leaving for the platform,
// and puts the live page back by itself once the platform answers.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// The platform's own style sheet: the sidebar, and the "Towing" status of
// a job row in the dashboard's table.
constexpr const char* sidebarColour = "20,33,61";
constexpr const char* towingColour = "220,252,231";
constexpr const char* wholeWindow = "4000x4000+0+0";

bool shows(const char* colour) {
  const std::string window = visibleWindow(mainWindowTitle);
  return !window.empty() && showsColour(window, colour, wholeWindow);
}

fs::perms permissionsOf(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::all;
}

// Presses a button of the application as a screen reader would.
bool press(int pid, const std::string& button) {
  return waitUntil([&] {
    return runCommand({"/usr/bin/python3", VELMORA_SOURCE_DIR "/tests/e2e/accessible_tree.py",
                       std::to_string(pid), button})
               .find("pressed") != std::string::npos;
  });
}

// The engine's own requests carry a browser's user agent; the window's
// quiet checks of the server go out over its own HTTP client, without one.
bool fromThePage(const LoggedRequest& request) {
  return request.userAgent.find("Mozilla") == 0;
}

TEST(LastCopyE2ETest, TheDashboardsCopyShowsReadOnlyWhileThePlatformIsDownThenTheLiveOneReturns) {
  PlatformSession session(true);
  SamplePlatform& platform = session.platform;
  ASSERT_EQ(platform.control("storable=1"), 200);
  session.launch({"env", "GTK_A11Y=atspi"});

  const fs::path folder = session.home.root() / ".cache/velmora/last-copy";
  ASSERT_TRUE(waitUntil(
      [&] { return readFile(folder / "index.json").find("\"/dashboard\"") != std::string::npos; },
      30s))
      << "the dashboard was not kept";
  EXPECT_EQ(permissionsOf(folder), fs::perms::owner_all);
  for (const std::string& name : namesIn(folder))
    EXPECT_EQ(permissionsOf(folder / name), fs::perms::owner_read | fs::perms::owner_write) << name;

  // The window keeps its session; the quiet checks, which carry no cookie,
  // meet the sign-in page as any stranger would.
  ASSERT_EQ(platform.control("autosignin=0&down=1"), 200);
  ASSERT_TRUE(session.app->activate("win.reloadPage"));
  ASSERT_TRUE(waitUntil(showsErrorScreen, 30s)) << "no error screen once the platform is down";
  const int pid = session.app->process().pid();
  ASSERT_TRUE(waitForAccessible(pid, "push button", "Show Last Copy"))
      << "the error screen offers no copy";
  screenshot("last-copy-offered");

  const size_t beforeCopy = platform.requests().size();
  ASSERT_TRUE(press(pid, "Show Last Copy"));
  EXPECT_TRUE(waitUntil([] { return shows(sidebarColour) && shows(towingColour); }))
      << "the copy does not show the dashboard's job rows in the platform's own style";
  EXPECT_TRUE(waitUntil([] { return shows(noticeColour); })) << "no bar says it is a copy";
  screenshot("last-copy-shown");

  // A link to a page of which no copy is kept (the sidebar's Jobs) leads
  // back to the error screen, which offers the dashboard's copy again.
  clickAt(visibleWindow(mainWindowTitle), 60, 190);
  EXPECT_TRUE(waitUntil(showsErrorScreen)) << "a link in the copy did not lead to the error screen";
  EXPECT_TRUE(waitForAccessible(pid, "push button", "Show Last Copy"));
  ASSERT_TRUE(press(pid, "Show Last Copy"));
  EXPECT_TRUE(waitUntil([] { return shows(noticeColour) && !showsErrorScreen(); }));

  // The quiet checks go on under the copy; the page itself asks for nothing.
  EXPECT_TRUE(platform.waitForRequest(
      [](const LoggedRequest& r) { return !fromThePage(r) && r.path == "/login"; }, 30s,
      beforeCopy))
      << "the server is no longer checked while the copy shows";
  const auto requests = platform.requests();
  for (size_t i = beforeCopy; i < requests.size(); ++i)
    EXPECT_FALSE(fromThePage(requests[i])) << "the copy asked for " << requests[i].path;

  const std::string indexWhileDown = readFile(folder / "index.json");
  const size_t beforeBack = platform.requests().size();
  ASSERT_EQ(platform.control("down=0"), 200);
  EXPECT_TRUE(platform.waitForRequest(
      [](const LoggedRequest& r) { return fromThePage(r) && r.path == "/dashboard"; }, 90s,
      beforeBack))
      << "the live dashboard did not come back by itself";
  EXPECT_TRUE(waitUntil([] { return !shows(noticeColour) && shows(sidebarColour); }))
      << "the copy's bar stays over the live page";
  screenshot("last-copy-live-again");

  // The live page is kept again; History > Forget Last Copies removes it all.
  ASSERT_TRUE(waitUntil([&] { return readFile(folder / "index.json") != indexWhileDown; }));
  ASSERT_TRUE(session.app->activate("win.forgetLastCopies"));
  EXPECT_TRUE(waitUntil([&] { return !fs::exists(folder); })) << "the copies were not forgotten";
}

} // namespace
} // namespace velmora::testing
