// Connect links reaching the real application: from a second `velmora LINK`
// while it runs, and as the link it is started with. Dialogs are answered
// with real key presses; without a window manager they sit untitled at the
// top left, so they are found by the title the application gives them.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// Waits until the dialog has drawn its bottom row, which holds its buttons.
bool waitUntilPainted(const std::string& title) {
  return waitUntil([&] {
    const std::string id = visibleWindow("^" + title);
    return !id.empty() && painted(id, "100%x15%+0+0", "south");
  });
}

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

TEST(ConnectLinkE2ETest, ALinkOpenedWhileRunningConnectsAfterConfirmation) {
  SamplePlatform platform;
  TempHome home;
  App app(home);
  ASSERT_TRUE(waitUntilPainted("Connect to your towing platform"))
      << "the first-run panel did not open";
  screenshot(screenshotFile("first-run-panel"));

  const std::string link =
      "haulvane://connect?server=" + platform.url() + "&email=dispatch%40example.test";
  Process second({VELMORA_BINARY, link}, home.environment());
  EXPECT_TRUE(second.waitForExit()) << "the second instance hands the link on and ends";

  ASSERT_TRUE(waitUntilPainted(question(platform)));
  screenshot(screenshotFile("connect-link-confirmation"));
  EXPECT_EQ(home.readSettings().find("serverURL"), std::string::npos)
      << "nothing is stored before the user confirms";
  ASSERT_TRUE(answerWithReturn(question(platform)));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, platform)) << home.readSettings();
  EXPECT_TRUE(app.quit());
}

TEST(ConnectLinkE2ETest, ALinkThatStartsTheApplicationIsHandledAfterLaunch) {
  SamplePlatform platform;
  TempHome home;
  home.storeServer("http://127.0.0.1:9");
  App app(home, {"HAULVANE://Connect?server=" + platform.url()});
  ASSERT_TRUE(answerWithReturn(question(platform)));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, platform)) << home.readSettings();
  EXPECT_TRUE(app.quit());
}

// Two set-up links in a row: the later one's question replaces the earlier
// one's, so the older server can no longer be chosen by answering it.
TEST(ConnectLinkE2ETest, ALaterLinkTakesAwayTheEarlierLinksQuestion) {
  SamplePlatform older;
  SamplePlatform newer;
  TempHome home;
  home.storeServer("http://127.0.0.1:9");
  App app(home);
  // Up first, so that each link is handed to it rather than starting its own.
  ASSERT_FALSE(waitForWindow().empty());
  for (const SamplePlatform* platform : {&older, &newer}) {
    Process link({VELMORA_BINARY, "haulvane://connect?server=" + platform->url()},
                 home.environment());
    EXPECT_TRUE(link.waitForExit());
    ASSERT_TRUE(waitUntilPainted(question(*platform)));
  }
  EXPECT_TRUE(waitUntil([&] { return visibleWindow("^" + question(older)).empty(); }))
      << "the earlier question is still open";
  screenshot(screenshotFile("connect-link-in-a-row"));
  ASSERT_TRUE(answerWithReturn(question(newer)));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, newer)) << home.readSettings();
  EXPECT_TRUE(visibleWindows("^Connect to ").empty());
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
  ASSERT_TRUE(waitUntilPainted(question(elsewhere)));
  screenshot(screenshotFile("connect-link-from-the-page"));
  EXPECT_EQ(session.home.readSettings().find(elsewhere.url()), std::string::npos)
      << "nothing is stored before the user confirms";
}

} // namespace
} // namespace velmora::testing
