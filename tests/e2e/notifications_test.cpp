// The platform's web notifications as a user meets them: a page on the
// platform that notifies reaches the desktop's notification server with its
// title and body, and clicking it brings the window forward and runs the
// page's own click handler. The notification server here is a recording
// stand-in on the test's private session bus.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::testing {
namespace {

// What the toolkit's notifications use of the desktop's notification server.
constexpr const char* introspection = R"(
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>)";

struct Shown {
  std::string icon, summary, body;
  std::vector<std::string> actions;
};

// Owns org.freedesktop.Notifications and writes down every notification.
class RecordingNotificationServer {
public:
  // Clicks notification `id` as the desktop would.
  void click(guint32 id) {
    service_.signalCaller("ActionInvoked", g_variant_new("(us)", id, "default"));
  }

  std::vector<Shown> shown;

private:
  GVariant* answer(const std::string& method, GVariant* parameters) {
    if (method != "Notify")
      return nullptr;
    const char *icon = nullptr, *summary = nullptr, *body = nullptr, **actions = nullptr;
    GVariant* hints = nullptr;
    g_variant_get(parameters, "(&su&s&s&s^a&s@a{sv}i)", nullptr, nullptr, &icon, &summary, &body,
                  &actions, &hints, nullptr);
    // GLib sends a themed icon as app_icon or as the image-path hint,
    // depending on its version.
    const char* image = nullptr;
    g_variant_lookup(hints, "image-path", "&s", &image);
    shown.push_back({*icon   ? icon
                     : image ? image
                             : "",
                     summary,
                     body,
                     {actions, actions + g_strv_length(const_cast<char**>(actions))}});
    g_free(actions);
    g_variant_unref(hints);
    return g_variant_new("(u)", static_cast<guint32>(shown.size()));
  }

  BusService service_{"org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                      introspection, [this](const std::string& method, GVariant* parameters) {
                        return answer(method, parameters);
                      }};
};

TEST(NotificationsE2ETest, APlatformPagesNotificationReachesTheDesktopAndItsClickThePage) {
  RecordingNotificationServer server;
  PlatformSession session;
  session.launch();
  session.open("/notify");
  ASSERT_TRUE(session.platform.waitForPath("/static/hv.css"));
  // The engine asks only on a user's action: click the page-wide button.
  const std::string window = waitForWindow();
  ASSERT_TRUE(waitUntil([&] {
    clickAt(window, 640, 500);
    return session.platform
        .waitForRequest([](const LoggedRequest& r) { return r.query == "notification=asking"; }, 1s)
        .has_value();
  }));
  const auto reported = [&](const std::string& query) {
    return session.platform
        .waitForRequest(
            [&](const LoggedRequest& r) { return r.path == "/__report" && r.query == query; })
        .has_value();
  };
  ASSERT_TRUE(reported("notification=granted"));
  ASSERT_TRUE(waitUntil([&] { return !server.shown.empty(); }));
  EXPECT_EQ(server.shown[0].summary, "New job #4711");
  EXPECT_EQ(server.shown[0].body, "Tow from 12 Harbour Road to the depot");
  EXPECT_EQ(server.shown[0].icon, "com.haulvane.Velmora");
  EXPECT_TRUE(std::ranges::count(server.shown[0].actions, "default"))
      << "without a default action the desktop has nothing to report a click with";

  server.click(1);
  EXPECT_TRUE(reported("notification=clicked")) << "the page's click handler did not run";
}

} // namespace
} // namespace velmora::testing
