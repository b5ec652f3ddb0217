// The real application against the sample platform: what a user notices on
// the first start and across restarts.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <csignal>

namespace velmora::testing {
namespace {

TEST(LaunchE2ETest, StartsOnTheSignInPageAndKeepsTheSessionAndWindowSizeAcrossAKill) {
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
  // Saved while it runs: a session that ends without a quit keeps it.
  ASSERT_TRUE(waitUntil(
      [&] { return session.home.readSettings().find("width=1000") != std::string::npos; }, 10s))
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
}

} // namespace
} // namespace velmora::testing
