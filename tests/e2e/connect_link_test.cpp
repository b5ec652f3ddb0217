// Connect links reaching the real application: as the link it is started
// with, from a second `velmora LINK` while it runs, and from a click in the
// platform's page. Dialogs are answered with real key presses; without a
// window manager they sit untitled at the top left, so they are found by the
// title the application gives them.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// The question a link to `platform` asks: host and port.
std::string question(const SamplePlatform& platform) {
  return "Connect to " + platform.url().substr(std::string("http://").size()) + "\\?";
}

bool storesAndSignsIn(const TempHome& home, const SamplePlatform& platform) {
  const bool stored = waitUntil([&] {
    return home.readSettings().find("serverURL=" + platform.url() + "\n") != std::string::npos;
  });
  const bool signIn = platform
                          .waitForRequest([](const LoggedRequest& r) {
                            return r.path == "/login" && r.accept.find("text/html") == 0 &&
                                   r.userAgent.ends_with("VelmoraMac/1.1");
                          })
                          .has_value();
  return stored && signIn;
}

// The link a fresh home's application is started with asks in place of the
// first-run panel; a second `velmora LINK` while that question is open
// hands its link on and ends, and its question replaces the first, so the
// older server can no longer be chosen by answering it. Nothing is stored
// before the user confirms.
TEST(ConnectLinkE2ETest, ALaterLinkTakesAwayTheEarlierLinksQuestion) {
  SamplePlatform older;
  SamplePlatform newer;
  TempHome home;
  App app(home, {"HAULVANE://Connect?server=" + older.url()});
  ASSERT_FALSE(waitForDialog(question(older)).empty());
  Process link({VELMORA_BINARY, "haulvane://connect?server=" + newer.url()}, home.environment());
  EXPECT_TRUE(link.waitForExit()) << "the second instance hands the link on and ends";
  ASSERT_FALSE(waitForDialog(question(newer)).empty());
  EXPECT_TRUE(waitUntil([&] { return visibleWindow("^" + question(older)).empty(); }))
      << "the earlier question is still open";
  screenshot("connect-link-in-a-row");
  EXPECT_EQ(home.readSettings().find("serverURL"), std::string::npos)
      << "nothing is stored before the user confirms";
  ASSERT_TRUE(answerWithReturn(question(newer)));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, newer)) << home.readSettings();
  EXPECT_TRUE(visibleWindow("^Connect to ").empty());
  EXPECT_TRUE(older.requests().empty()) << "the earlier link's server was contacted";
  EXPECT_TRUE(app.quit());
}

// The platform's own page may carry a set-up link: the user's real click on
// it asks, as a link from the desktop would.
TEST(ConnectLinkE2ETest, ALinkTheUserClicksInThePlatformsPageAsksToConnect) {
  PlatformSession session;
  SamplePlatform elsewhere({}, "127.0.0.2");
  session.launch();
  session.open("/away?elsewhere=" + elsewhere.url() + "&cover=connect");
  ASSERT_TRUE(clickTheMiddleOnceItIs(stretchedLinkColour)) << "the link never covered the window";
  ASSERT_FALSE(waitForDialog(question(elsewhere)).empty());
  screenshot("connect-link-from-the-page");
  EXPECT_EQ(session.home.readSettings().find(elsewhere.url()), std::string::npos)
      << "nothing is stored before the user confirms";
}

} // namespace
} // namespace velmora::testing
