// The real application as a screen reader finds it over AT-SPI, reached
// with the keyboard alone: the page, the header bar and the menu bar in
// turn, find in page, and the error screen with its address panel.
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
  // What was read last, one node a line, for a failure's message.
  const auto read = [&] {
    std::string all;
    for (const auto& node : tree)
      all += node.role + " \"" + node.name + "\"" + (node.focused ? " focused" : "") + "\n";
    return all;
  };
  const auto press = [&](const std::string& keys) {
    return [&, keys] { pressKeys(window, keys); };
  };

  // Tab goes through the page's links, leaves the last one for the header
  // bar's buttons (named, not "‹" and "›") and the menu bar, and comes back
  // into the page; Shift+Tab goes the same way round backwards. The
  // keyboard is never lost on the way, nor does one press move it two steps.
  session.show("/probe/focus", "ready=1");
  clickAt(window, 600, 500);
  ASSERT_TRUE(session.reportAfter(press("Tab"), "focus=first"));
  ASSERT_TRUE(session.reportAfter(press("Tab"), "focus=last"));
  for (const auto& [role, name] :
       {std::pair{"push button", "Back"}, {"push button", "Forward"}, {"menu item", "Velmora"}}) {
    press("Tab")();
    EXPECT_TRUE(shows(role, name, /*focused=*/true)) << name << "\n" << read();
  }
  screenshot("tab-on-the-menu-bar");
  // Back in the page, the page itself has the keyboard; the next Tab is
  // its first link.
  press("Tab")();
  EXPECT_TRUE(session.reportAfter(press("Tab"), "focus=first")) << read();
  for (const auto& [role, name] :
       {std::pair{"menu item", "Velmora"}, {"push button", "Forward"}, {"push button", "Back"}}) {
    press("shift+Tab")();
    EXPECT_TRUE(shows(role, name, /*focused=*/true)) << name << "\n" << read();
  }
  press("shift+Tab")();
  EXPECT_TRUE(session.reportAfter(press("shift+Tab"), "focus=last")) << read();

  // Alt and a letter open a menu; Escape gives the keyboard back.
  press("alt+e")();
  EXPECT_TRUE(shows("menu item", "Find\u2026")) << read();
  press("Escape")();
  press("alt+v")();
  EXPECT_TRUE(shows("menu item", "Copy Page Address")) << read();
  EXPECT_TRUE(hasAccessible(tree, "menu item", "Open Page in Browser"));
  screenshot("view-menu");
  press("Escape")();

  // Find in page: the job sheet probe page reports which of its three
  // mentions of "invoice" the engine has selected and every key it
  // receives. Typed straight after Ctrl+F, while the bar slides open, every
  // key counts. Case-insensitive, searched as typed, from the top.
  session.show("/probe/job-sheet", "ready=1");
  ASSERT_TRUE(session.reportAfter(press("ctrl+f i n v"), "selected=m1"));
  EXPECT_TRUE(shows("entry", "Find in page", /*focused=*/true));
  EXPECT_TRUE(hasAccessible(tree, "push button", "Previous match"));
  EXPECT_TRUE(hasAccessible(tree, "push button", "Next match"));
  EXPECT_TRUE(shows("label", "1 of 3"));
  screenshot("find-bar");
  for (const auto& [keys, selected, status] : {std::tuple{"Return", "selected=m2", "2 of 3"},
                                               {"ctrl+g", "selected=m3", "3 of 3"},
                                               {"Return", "selected=m1", "1 of 3"},
                                               {"shift+Return", "selected=m3", "3 of 3"},
                                               {"ctrl+shift+g", "selected=m2", "2 of 3"}}) {
    EXPECT_TRUE(session.reportAfter(press(keys), selected)) << keys;
    EXPECT_TRUE(shows("label", status)) << keys;
  }
  press("z")();
  EXPECT_TRUE(shows("label", "No matches"));
  press("Escape")();
  EXPECT_TRUE(waitUntil([&] {
    return !hasAccessible(accessibleTree(pid), "entry", "Find in page", /*focused=*/true);
  })) << "the bar kept the keyboard";
  EXPECT_TRUE(session.reportAfter(press("k"), "key=k")) << "the page did not get the keyboard back";

  // The error screen is announced as an alert, with the keyboard on its
  // default button; Tab and Space reach the other one.
  session.platform.stop();
  ASSERT_TRUE(session.app->activate("win.reloadPage"));
  EXPECT_TRUE(shows("alert", "Can\u2019t reach the dispatch server"));
  EXPECT_TRUE(shows("push button", "Try Again", /*focused=*/true));
  press("Tab")();
  EXPECT_TRUE(shows("push button", "Change Server\u2026", /*focused=*/true));
  screenshot("error-screen-keyboard");
  press("space")();

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
