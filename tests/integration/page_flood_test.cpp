// A page that floods the window with messages: the window must keep
// drawing and answering input while it reads them, and what it keeps of
// them must stay bounded.
#include "engine_window.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace velmora::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Records the longest gap between ticks of a 5 ms main-loop timer: how long
// the window could not have drawn or handled a key press.
class StallMeter {
public:
  StallMeter() : last_(Clock::now()) { source_ = g_timeout_add(5, onTick, this); }
  ~StallMeter() { g_source_remove(source_); }
  [[nodiscard]] std::chrono::milliseconds longest() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest_);
  }

private:
  static gboolean onTick(gpointer self) {
    static_cast<StallMeter*>(self)->tick();
    return G_SOURCE_CONTINUE;
  }
  void tick() {
    const auto now = Clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  }
  guint source_ = 0;
  Clock::time_point last_;
  Clock::duration longest_{};
};

// The page changes its unread count a hundred thousand times, each change
// reported by the badge script on its own; a sidebar of ten thousand links
// gives the usual 24, the script reading no further once it has them.
TEST(PageFloodTest, AHundredThousandCountsAndHugeLinkListsKeepTheWindowResponsiveAndBounded) {
  SamplePlatform platform;
  FakeMenu menu;
  EngineWindow window{platform.url(), nullptr, &menu};
  const std::string page = platform.url() + "/bridge/count?text=0";
  window.load(page);
  ASSERT_TRUE(window.waitForPage(page));
  StallMeter counting;
  ASSERT_TRUE(window.evaluate("(async () => {"
                              "  const count = document.querySelector('.hv-notification-count');"
                              "  for (let i = 1; i <= 100000; i++) {"
                              "    count.textContent = String(i);"
                              "    await null;" // lets the script see each change
                              "  }"
                              "})();"
                              "true"));
  ASSERT_TRUE(waitUntil([&] { return window.fake.dockTile.badgeLabel == "100000"; }, 60s))
      << window.fake.dockTile.badgeLabel.value_or("(none)");
  std::printf("[ MEASURED ] longest main-loop stall with 100000 counts: %lld ms\n",
              static_cast<long long>(counting.longest().count()));
  EXPECT_LT(counting.longest(), std::chrono::seconds(1));

  StallMeter linking;
  const std::string links = platform.url() + "/bridge/long?links=10000";
  window.load(links);
  ASSERT_TRUE(window.waitForPage(links, 60s)) << window.uri();
  ASSERT_TRUE(waitUntil([&] { return menu.items.size() == 24; }, 30s)) << menu.items.size();
  std::printf("[ MEASURED ] longest main-loop stall with huge link lists: %lld ms\n",
              static_cast<long long>(linking.longest().count()));
  EXPECT_LT(linking.longest(), std::chrono::seconds(1));
}

} // namespace
} // namespace velmora::testing
