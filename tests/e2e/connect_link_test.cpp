// Connect links reaching the real application: from a second `velmora LINK`
// while it runs, and as the link it is started with. Dialogs are answered
// with real key presses; without a window manager they sit untitled at the
// top left, so they are found by the title the application gives them.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// The X window of the visible dialog whose title starts with `title`; ""
// while there is none.
std::string dialogWindow(const std::string& title) {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title});
  return ids.substr(0, ids.find('\n'));
}

// Waits for the dialog, then presses Return in it.
bool answerWithReturn(const std::string& title) {
  std::string id;
  if (!waitUntil([&] { return !(id = dialogWindow(title)).empty(); }))
    return false;
  runCommand({"xdotool", "windowfocus", "--sync", id});
  runCommand({"xdotool", "key", "--clearmodifiers", "Return"});
  return waitUntil([&] { return dialogWindow(title) != id; }, 10s);
}

// Waits until the dialog has drawn itself. Until then the X server shows
// what lies beneath it, here the empty web view; the dialog's bottom row
// holds its buttons, whose labels bring dozens of shades.
bool waitUntilPainted(const std::string& title, const std::filesystem::path& scratch) {
  return waitUntil([&] {
    const std::string id = dialogWindow(title);
    if (id.empty())
      return false;
    (void)runCommand({"import", "-window", id, scratch.string()});
    const std::string colours =
        runCommand({"convert", scratch.string(), "-gravity", "south", "-crop", "100%x15%+0+0",
                    "+repage", "-format", "%k", "info:"});
    return !colours.empty() && std::stoi(colours) > 8;
  });
}

std::string shotPath(const std::string& name) {
  return (std::filesystem::path(VELMORA_SOURCE_DIR) / "build" / "screenshots" / name).string();
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
  ASSERT_TRUE(waitUntilPainted("Connect to your towing platform", home.root() / "panel.png"))
      << "the first-run panel did not open";
  screenshot(shotPath("first-run-panel.png"));

  const std::string link =
      "haulvane://connect?server=" + platform.url() + "&email=dispatch%40example.test";
  Process second({VELMORA_BINARY, link}, home.environment());
  EXPECT_TRUE(second.waitForExit()) << "the second instance hands the link on and ends";

  ASSERT_TRUE(waitUntilPainted("Connect to 127.0.0.1?", home.root() / "confirmation.png"));
  screenshot(shotPath("connect-link-confirmation.png"));
  EXPECT_FALSE(std::filesystem::exists(home.settingsFile()) &&
               home.readSettings().find("serverURL") != std::string::npos)
      << "nothing is stored before the user confirms";
  ASSERT_TRUE(answerWithReturn("Connect to 127.0.0.1?"));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, platform)) << home.readSettings();
  EXPECT_TRUE(app.quit());
}

TEST(ConnectLinkE2ETest, ALinkThatStartsTheApplicationIsHandledAfterLaunch) {
  SamplePlatform platform;
  TempHome home;
  home.writeSettings("[Settings]\nserverURL=http://127.0.0.1:9\n");
  App app(home, {"HAULVANE://Connect?server=" + platform.url()});
  ASSERT_TRUE(answerWithReturn("Connect to 127.0.0.1?"));
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(storesAndSignsIn(home, platform)) << home.readSettings();
  EXPECT_TRUE(app.quit());
}

} // namespace
} // namespace velmora::testing
