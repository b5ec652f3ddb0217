// The platform's web notifications as a user meets them: a page on the
// platform that notifies reaches the desktop's notification server with its
// title and body, and clicking it brings the window forward and runs the
// page's own click handler. The notification server here is a recording
// stand-in on the test's private session bus.
#include "processes.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

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
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>)";

struct Shown {
  std::string summary, body;
  std::vector<std::string> actions;
};

// Owns org.freedesktop.Notifications and writes down every notification.
class RecordingNotificationServer {
public:
  RecordingNotificationServer() {
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
    static const GDBusInterfaceVTable vtable{onMethodCall, nullptr, nullptr, {}};
    registration_ =
        g_dbus_connection_register_object(bus_, "/org/freedesktop/Notifications",
                                          node->interfaces[0], &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    owner_ = g_bus_own_name_on_connection(
        bus_, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const char*, gpointer self) {
          static_cast<RecordingNotificationServer*>(self)->owned = true;
        },
        nullptr, this, nullptr);
    waitUntil([this] { return owned; }, 5s);
  }
  ~RecordingNotificationServer() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_, registration_);
    g_object_unref(bus_);
  }
  // Clicks notification `id` as the desktop would.
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus_, sender_.c_str(), "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications", "ActionInvoked",
                                  g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<Shown> shown;
  bool owned = false;

private:
  static void onMethodCall(GDBusConnection*, const char* sender, const char*, const char*,
                           const char* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<RecordingNotificationServer*>(data);
    const std::string name = method;
    if (name == "Notify") {
      const char *app, *icon, *summary, *body;
      guint32 replaces;
      GVariantIter* actions;
      GVariant* hints;
      gint32 timeout;
      g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, &replaces, &icon, &summary, &body,
                    &actions, &hints, &timeout);
      Shown entry{summary, body, {}};
      const char* action;
      while (g_variant_iter_next(actions, "&s", &action))
        entry.actions.emplace_back(action);
      g_variant_iter_free(actions);
      g_variant_unref(hints);
      self->shown.push_back(entry);
      self->sender_ = sender;
      g_dbus_method_invocation_return_value(
          invocation, g_variant_new("(u)", static_cast<guint32>(self->shown.size())));
    } else if (name == "GetCapabilities") {
      const char* capabilities[] = {"body", "actions", nullptr};
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", capabilities));
    } else if (name == "GetServerInformation") {
      g_dbus_method_invocation_return_value(
          invocation, g_variant_new("(ssss)", "recorder", "velmora-tests", "1", "1.2"));
    } else {
      g_dbus_method_invocation_return_value(invocation, nullptr);
    }
  }

  GDBusConnection* bus_ = nullptr;
  guint registration_ = 0;
  guint owner_ = 0;
  std::string sender_;
};

bool reported(const SamplePlatform& platform, const std::string& query) {
  return platform
      .waitForRequest(
          [&](const LoggedRequest& r) { return r.path == "/__report" && r.query == query; }, 20s)
      .has_value();
}

TEST(NotificationsE2ETest, APlatformPagesNotificationReachesTheDesktopAndItsClickThePage) {
  RecordingNotificationServer server;
  ASSERT_TRUE(server.owned);
  SamplePlatform platform;
  TempHome home;
  home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
  App app(home);
  ASSERT_TRUE(platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/login"; }));
  ASSERT_TRUE(waitUntil([&] { return app.activate("win.goToPath", platform.url() + "/notify"); }));
  ASSERT_TRUE(
      platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/static/hv.css"; }));
  // The engine asks only on a user's action: click the page-wide button.
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  const std::string window = ids.substr(0, ids.find('\n'));
  ASSERT_TRUE(waitUntil([&] {
    runCommand({"xdotool", "mousemove", "--window", window, "640", "500", "click", "1"});
    return platform
        .waitForRequest([](const LoggedRequest& r) { return r.query == "notification=asking"; }, 1s)
        .has_value();
  }));

  ASSERT_TRUE(reported(platform, "notification=granted")) << [&] {
    std::string seen;
    for (const auto& r : platform.requests())
      seen += r.path + "?" + r.query + " ";
    return seen;
  }();
  ASSERT_TRUE(waitUntil([&] { return !server.shown.empty(); }));
  EXPECT_EQ(server.shown[0].summary, "New job #4711");
  EXPECT_EQ(server.shown[0].body, "Tow from 12 Harbour Road to the depot");
  EXPECT_NE(std::find(server.shown[0].actions.begin(), server.shown[0].actions.end(), "default"),
            server.shown[0].actions.end());

  server.click(1);
  EXPECT_TRUE(reported(platform, "notification=clicked")) << "the page's click handler did not run";
  EXPECT_TRUE(app.quit());
}

} // namespace
} // namespace velmora::testing
