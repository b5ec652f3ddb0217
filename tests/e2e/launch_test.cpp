// The real application against the sample platform: what a user notices on
// the first start and across restarts, and what it says on the command line.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <csignal>

namespace velmora::testing {
namespace {

TEST(LaunchE2ETest, StartsOnTheSignInPageAndKeepsTheSessionWindowSizeAndZoomAcrossAKill) {
  PlatformSession session(/*signedIn=*/true);
  const WindowSize resized{1000, 700};
  session.launch();
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
  // Saved while it runs: a session that ends without a quit keeps them.
  ASSERT_TRUE(waitUntil(
      [&] { return session.home.readSettings().find("width=1000") != std::string::npos; }, 10s))
      << session.home.readSettings();
  EXPECT_NE(session.home.readSettings().find("pageZoom=1.2\n"), std::string::npos)
      << session.home.readSettings();
  ::kill(session.app->process().pid(), SIGKILL);
  session.app.reset();

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

// A display of its own with a window manager: bare Xvfb minimises nothing.
class ManagedDisplay {
public:
  ManagedDisplay() {
    const auto number = xvfb_.readLine();
    EXPECT_TRUE(number) << "Xvfb did not start";
    setenv("DISPLAY", (":" + number.value_or("")).c_str(), 1);
    windowManager_ = std::make_unique<Process>(std::vector<std::string>{"openbox"},
                                               std::map<std::string, std::string>{});
  }
  ~ManagedDisplay() {
    windowManager_.reset();
    setenv("DISPLAY", previous_.c_str(), 1);
  }

private:
  std::string previous_ = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  Process xvfb_{
      {"Xvfb", "-displayfd", "1", "-r", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
      {},
      true};
  std::unique_ptr<Process> windowManager_;
};

bool minimised(const std::string& window) {
  return runCommand({"xprop", "-id", window, "WM_STATE"}).find("Iconic") != std::string::npos;
}

TEST(LaunchE2ETest, AMinimisedWindowComesBackWhenVelmoraIsStartedAgain) {
  ManagedDisplay display;
  PlatformSession session;
  session.launch();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(session.app->activate("win.hide"));
  ASSERT_TRUE(waitUntil([&] { return minimised(window); })) << "Hide Velmora did not minimise";

  App again(session.home);
  EXPECT_TRUE(again.process().waitForExit()) << "the second start handed over and ended";
  EXPECT_TRUE(waitUntil([&] { return !minimised(window); })) << "the window stayed minimised";
}

} // namespace
} // namespace velmora::testing
