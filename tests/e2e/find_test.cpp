// Find in page in the real application, driven with the keyboard alone:
// the job sheet probe page reports which of its three mentions of
// "invoice" the engine has selected and every key it receives, and the
// find bar's count is read as a screen reader reads it.
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(FindE2ETest, TypingFindsKeysStepAroundTheMatchesAndEscapeHandsThePageBack) {
  PlatformSession session(/*signedIn=*/true);
  session.launch({"env", "GTK_A11Y=atspi"});
  const int pid = session.app->process().pid();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  session.show("/probe/job-sheet", "ready=1");
  const auto shows = [&](const std::string& role, const std::string& name, bool focused = false) {
    return waitForAccessible(pid, role, name, focused);
  };

  // Typed straight after Ctrl+F, while the bar slides open, every key
  // counts. Case-insensitive, searched as typed, from the top of the page.
  ASSERT_TRUE(session.reportAfter([&] { pressKeys(window, "ctrl+f i n v"); }, "selected=m1"));
  EXPECT_TRUE(shows("entry", "Find in page", /*focused=*/true));
  EXPECT_TRUE(shows("label", "1 of 3"));
  screenshot(screenshotFile("find-bar"));

  for (const auto& [keys, selected, status] : {std::tuple{"Return", "selected=m2", "2 of 3"},
                                               {"ctrl+g", "selected=m3", "3 of 3"},
                                               {"Return", "selected=m1", "1 of 3"},
                                               {"shift+Return", "selected=m3", "3 of 3"},
                                               {"ctrl+shift+g", "selected=m2", "2 of 3"}}) {
    EXPECT_TRUE(session.reportAfter([&] { pressKeys(window, keys); }, selected)) << keys;
    EXPECT_TRUE(shows("label", status)) << keys;
  }
  pressKeys(window, "z");
  EXPECT_TRUE(shows("label", "No matches"));

  pressKeys(window, "Escape");
  EXPECT_TRUE(waitUntil([&] {
    return !hasAccessible(accessibleTree(pid), "entry", "Find in page", /*focused=*/true);
  })) << "the bar kept the keyboard";
  EXPECT_TRUE(session.reportAfter([&] { pressKeys(window, "k"); }, "key=k"))
      << "the page did not get the keyboard back";
}

} // namespace
} // namespace velmora::testing
