// The real application against the sample platform: what a user notices on
// the first start and across restarts, and what it says on the command line.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(LaunchE2ETest, StartsOnTheSignInPageAndKeepsTheSessionWindowSizeAndZoomAcrossARestart) {
  PlatformSession session(/*signedIn=*/true);
  const WindowSize resized{1000, 700};
  session.launch();
  const auto first = session.platform.waitForRequest(
      [](const LoggedRequest& r) { return r.method == "GET" && r.path == "/login"; });
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->userAgent.ends_with("VelmoraMac/1.1")) << first->userAgent;
  for (const auto& seen : session.platform.requests())
    EXPECT_NE(seen.path, "/") << "the root page is never loaded";

  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  (void)runCommand({"xdotool", "windowsize", window, "1000", "700"});
  ASSERT_TRUE(waitUntil([&] { return windowSize(window) == resized; }));
  const int actualSize =
      probeWidth(session.reportAfter([&] { session.open("/probe/zoom"); }, "width="));
  const auto zoomIn = [&] { ASSERT_TRUE(session.app->activate("win.zoomIn")); };
  (void)session.reportAfter(zoomIn, "width=");
  const int zoomed = probeWidth(session.reportAfter(zoomIn, "width="));
  EXPECT_NEAR(zoomed, actualSize / 1.2, 2.0);
  ASSERT_TRUE(session.app->quit());
  EXPECT_NE(session.home.readSettings().find("[MainWindow]"), std::string::npos)
      << session.home.readSettings();
  EXPECT_NE(session.home.readSettings().find("pageZoom=1.2000000000000002\n"), std::string::npos)
      << session.home.readSettings();

  const size_t before = session.logged();
  session.launch();
  const auto again = session.platform.waitForRequest(
      [](const LoggedRequest& r) { return r.path == "/login"; }, 20s, before);
  ASSERT_TRUE(again);
  EXPECT_NE(again->cookie.find("hv_session="), std::string::npos)
      << "the session cookie was not kept across the restart: " << again->cookie;
  EXPECT_TRUE(waitUntil([&] { return windowSize(waitForWindow()) == resized; }))
      << "the window size was not restored";
  EXPECT_EQ(probeWidth(session.reportAfter([&] { session.open("/probe/zoom"); }, "width=")), zoomed)
      << "the zoom was not restored";
}

// Answered before the application looks for a display or a running
// instance: it works with neither.
TEST(LaunchE2ETest, VersionIsPrintedWithoutADisplayOrABusAndHelpListsIt) {
  const std::string binary = VELMORA_BINARY;
  EXPECT_EQ(runCommand({"sh", "-c",
                        "env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS '" + binary +
                            "' --version; echo status=$?"}),
            "Velmora " VELMORA_VERSION "\nstatus=0");
  const std::string help = runCommand({binary, "--help"});
  EXPECT_NE(help.find("--version"), std::string::npos) << help;
}

} // namespace
} // namespace velmora::testing
