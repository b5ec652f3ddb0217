// The real application against the sample platform: what a user notices on
// the first start and across restarts.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <regex>

namespace velmora::testing {
namespace {

bool isSignInPage(const LoggedRequest& request) {
  return request.method == "GET" && request.path == "/login";
}

std::string storedAddressSettings(const SamplePlatform& platform) {
  return "[Settings]\nserverURL=" + platform.url() + "\n";
}

// The X window geometry of Velmora's main window as "WIDTHxHEIGHT".
std::string windowSize() {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  if (ids.empty())
    return {};
  const std::string id = ids.substr(0, ids.find('\n'));
  const std::string geometry = runCommand({"xdotool", "getwindowgeometry", id});
  std::smatch match;
  static const std::regex size("Geometry: (\\d+x\\d+)");
  return std::regex_search(geometry, match, size) ? match[1].str() : std::string();
}

TEST(LaunchE2ETest, LoadsTheSignInPageWithTheApplicationsUserAgent) {
  SamplePlatform platform;
  TempHome home;
  home.writeSettings(storedAddressSettings(platform));
  App app(home);

  const auto request = platform.waitForRequest(isSignInPage);
  ASSERT_TRUE(request) << "the app never asked for /login";
  EXPECT_TRUE(request->userAgent.ends_with("VelmoraMac/1.1")) << request->userAgent;
  for (const auto& seen : platform.requests())
    EXPECT_NE(seen.path, "/") << "the root page is never loaded";
  EXPECT_TRUE(app.quit());
}

TEST(LaunchE2ETest, TheSignInSurvivesARestart) {
  SamplePlatform platform;
  ASSERT_EQ(platform.control("autosignin=1"), 200);
  TempHome home;
  home.writeSettings(storedAddressSettings(platform));
  {
    App app(home);
    ASSERT_TRUE(platform.waitForRequest([](const LoggedRequest& r) {
      return r.path == "/dashboard";
    })) << "the sample platform's sign-in did not lead to the dashboard";
    ASSERT_TRUE(app.quit());
  }
  const size_t before = platform.requests().size();
  App app(home);
  const auto again = platform.waitForRequest(isSignInPage, 20s, before);
  ASSERT_TRUE(again);
  EXPECT_NE(again->cookie.find("hv_session="), std::string::npos)
      << "the session cookie was not kept across the restart: " << again->cookie;
  EXPECT_TRUE(app.quit());
}

TEST(LaunchE2ETest, TheWindowSizeSurvivesARestart) {
  SamplePlatform platform;
  TempHome home;
  home.writeSettings(storedAddressSettings(platform));
  std::string resized;
  {
    App app(home);
    ASSERT_TRUE(platform.waitForRequest(isSignInPage));
    ASSERT_TRUE(waitUntil([] { return !windowSize().empty(); }));
    const std::string id =
        runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
    runCommand({"xdotool", "windowsize", id.substr(0, id.find('\n')), "1000", "700"});
    ASSERT_TRUE(waitUntil([] { return windowSize() == "1000x700"; }));
    resized = windowSize();
    ASSERT_TRUE(app.quit());
  }
  EXPECT_NE(home.readSettings().find("[MainWindow]"), std::string::npos) << home.readSettings();
  App app(home);
  ASSERT_TRUE(platform.waitForRequest(isSignInPage));
  EXPECT_TRUE(waitUntil([&] { return windowSize() == resized; }))
      << "restored " << windowSize() << ", expected " << resized;
  EXPECT_TRUE(app.quit());
}

} // namespace
} // namespace velmora::testing
