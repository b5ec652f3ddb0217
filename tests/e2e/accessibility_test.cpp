// The real application as a screen reader finds it over AT-SPI, reached
// with the keyboard alone: the header bar's buttons, the find bar, the
// error screen and a dialog are named for what they do, and the keyboard
// lands where the user must act.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(AccessibilityE2ETest, ControlsAreNamedForWhatTheyDoAndTheKeyboardReachesThem) {
  PlatformSession session(/*signedIn=*/true);
  session.launch({"env", "GTK_A11Y=atspi"});
  const int pid = session.app->process().pid();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  std::vector<AccessibleNode> tree;
  const auto shows = [&](const std::string& role, const std::string& name, bool focused = false) {
    return waitForAccessible(pid, role, name, focused, &tree);
  };
  // What was read last, for a failure's message.
  const auto read = [&] {
    std::string all;
    for (const auto& node : tree)
      all += node.role + " \"" + node.name + "\"" + (node.focused ? " focused" : "") + "\n";
    return all;
  };
  const auto press = [&](const std::string& keys) {
    pressKeys(visibleWindow(mainWindowTitle), keys);
  };

  // Not "‹" and "›".
  EXPECT_TRUE(shows("push button", "Back"));
  EXPECT_TRUE(shows("push button", "Forward"));

  press("ctrl+f");
  EXPECT_TRUE(shows("entry", "Find in page", /*focused=*/true));
  EXPECT_TRUE(hasAccessible(tree, "push button", "Previous match"));
  EXPECT_TRUE(hasAccessible(tree, "push button", "Next match"));
  press("Escape");

  // The error screen is announced as an alert, with the keyboard on its
  // default button; Tab and Space reach the other one.
  session.platform.stop();
  ASSERT_TRUE(session.app->activate("win.reloadPage"));
  EXPECT_TRUE(shows("alert", "Can\u2019t reach the dispatch server"));
  EXPECT_TRUE(shows("push button", "Try Again", /*focused=*/true));
  press("Tab");
  EXPECT_TRUE(shows("push button", "Change Server\u2026", /*focused=*/true));
  screenshot(screenshotFile("error-screen-keyboard"));
  press("space");

  // The address panel is named by its question, and so is its field, which
  // has the keyboard.
  EXPECT_TRUE(shows("dialog", "Server address"));
  EXPECT_TRUE(shows("text", "Server address", /*focused=*/true)) << read();
  EXPECT_TRUE(hasAccessible(tree, "push button", "Connect")) << read();
  EXPECT_TRUE(hasAccessible(tree, "push button", "Cancel"));
  for (const auto& node : tree) {
    if (node.role == "push button" || node.role == "entry" || node.role == "text") {
      EXPECT_FALSE(node.name.empty()) << "an unnamed " << node.role;
    }
  }
  pressKeys(visibleWindow("^Server address$"), "Escape");
}

} // namespace
} // namespace velmora::testing
