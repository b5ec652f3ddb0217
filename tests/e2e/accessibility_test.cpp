// The real application as a screen reader finds it over AT-SPI, reached
// with the keyboard alone.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// What was read last, one node a line, for a failure's message.
std::string described(const std::vector<AccessibleNode>& tree) {
  std::string all;
  for (const auto& node : tree)
    all += node.role + " \"" + node.name + "\"" + (node.focused ? " focused" : "") + "\n";
  return all;
}

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
  const auto read = [&] { return described(tree); };
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

// Tab goes through the page's links, leaves the last one for the header
// bar's buttons and the menu bar, and comes back into the page; Shift+Tab
// goes the same way round backwards. The keyboard is never lost on the way,
// nor does one press move it two steps.
TEST(AccessibilityE2ETest, TabGoesRoundThePageTheHeaderBarAndTheMenuBarAndAltOpensMenus) {
  PlatformSession session(/*signedIn=*/true);
  session.launch({"env", "GTK_A11Y=atspi"});
  const int pid = session.app->process().pid();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  session.show("/probe/focus", "ready=1");
  std::vector<AccessibleNode> tree;
  const auto read = [&] { return described(tree); };
  const auto press = [&](const std::string& keys) {
    return [&, keys] { pressKeys(window, keys); };
  };
  const auto focusedOn = [&](const std::string& role, const std::string& name) {
    return waitForAccessible(pid, role, name, /*focused=*/true, &tree);
  };
  clickAt(window, 600, 500);
  ASSERT_TRUE(session.reportAfter(press("Tab"), "focus=first"));
  ASSERT_TRUE(session.reportAfter(press("Tab"), "focus=last"));
  press("Tab")();
  EXPECT_TRUE(focusedOn("push button", "Back")) << read();
  press("Tab")();
  EXPECT_TRUE(focusedOn("push button", "Forward")) << read();
  press("Tab")();
  EXPECT_TRUE(focusedOn("menu item", "Velmora")) << read();
  screenshot(screenshotFile("tab-on-the-menu-bar"));
  // Back in the page, the page itself has the keyboard; the next Tab is
  // its first link.
  press("Tab")();
  EXPECT_TRUE(session.reportAfter(press("Tab"), "focus=first")) << read();

  press("shift+Tab")();
  EXPECT_TRUE(focusedOn("menu item", "Velmora")) << read();
  press("shift+Tab")();
  EXPECT_TRUE(focusedOn("push button", "Forward")) << read();
  press("shift+Tab")();
  EXPECT_TRUE(focusedOn("push button", "Back")) << read();
  press("shift+Tab")();
  EXPECT_TRUE(session.reportAfter(press("shift+Tab"), "focus=last")) << read();

  // Alt and a letter open a menu; Escape gives the keyboard back.
  press("alt+e")();
  EXPECT_TRUE(waitForAccessible(pid, "menu item", "Find\u2026", false, &tree)) << read();
  press("Escape")();
  press("alt+v")();
  EXPECT_TRUE(waitForAccessible(pid, "menu item", "Copy Page Address", false, &tree)) << read();
  EXPECT_TRUE(hasAccessible(tree, "menu item", "Open Page in Browser"));
  screenshot(screenshotFile("view-menu"));
  press("Escape")();
}

} // namespace
} // namespace velmora::testing
