// Back and forward swipe gestures follow the devices that can make them:
// while they are on, the engine keeps a full-size picture of every page
// visited, hundreds of MiB over a working day.
#include "engine_window.hpp"
#include "gtk/swipe_gestures.hpp"

#include <vector>

namespace velmora::testing {
namespace {

TEST(SwipeGesturesTest, OnOnlyWhereADeviceCanSwipe) {
  struct Row {
    const char* name;
    bool allowed;
    std::vector<GdkInputSource> devices;
    bool on;
  };
  const Row rows[] = {
      {"no pointing device", true, {}, false},
      {"a mouse", true, {GDK_SOURCE_MOUSE}, false},
      {"a pen and a trackpoint", true, {GDK_SOURCE_PEN, GDK_SOURCE_TRACKPOINT}, false},
      {"a touchpad beside a mouse", true, {GDK_SOURCE_MOUSE, GDK_SOURCE_TOUCHPAD}, true},
      {"a touchscreen", true, {GDK_SOURCE_TOUCHSCREEN}, true},
      {"a touchpad, gestures not allowed", false, {GDK_SOURCE_TOUCHPAD}, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(gtk::swipeGesturesOn(row.allowed, row.devices), row.on) << row.name;
}

// The test display's seat has mice only, and the window allows gestures.
TEST(SwipeGesturesTest, AreOffInAWindowOnADisplayWithOnlyMice) {
  SamplePlatform platform;
  EngineWindow window{platform.url()};
  ASSERT_TRUE(window.waitForPage(platform.url() + "/login"));
  EXPECT_FALSE(webkit_settings_get_enable_back_forward_navigation_gestures(
      webkit_web_view_get_settings(window.webView())));
}

} // namespace
} // namespace velmora::testing
