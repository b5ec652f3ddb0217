// The real application downloading from the sample platform into the
// Downloads folder named by the temporary home's XDG user dirs: fresh names,
// whole files, names that try to escape, the file manager and the dock.
#include "processes.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* fileManagerXml = R"(
<node>
  <interface name="org.freedesktop.FileManager1">
    <method name="ShowItems">
      <arg type="as" name="URIs" direction="in"/>
      <arg type="s" name="StartupId" direction="in"/>
    </method>
  </interface>
</node>)";

GDBusConnection* sessionBus() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus)
    throw std::runtime_error("no session bus");
  return bus;
}

// Plays the desktop's file manager on the test's private session bus and
// records the files it is asked to show, one list of URIs per request.
class FakeFileManager {
public:
  FakeFileManager() : bus_(sessionBus()) {
    node_ = g_dbus_node_info_new_for_xml(fileManagerXml, nullptr);
    static const GDBusInterfaceVTable vtable{onMethodCall, nullptr, nullptr, {}};
    registration_ =
        g_dbus_connection_register_object(bus_, "/org/freedesktop/FileManager1",
                                          node_->interfaces[0], &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(
        bus_, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const char*, gpointer self) {
          static_cast<FakeFileManager*>(self)->owned_ = true;
        },
        nullptr, this, nullptr);
    if (!waitUntil([this] { return owned_; }, 10s))
      throw std::runtime_error("cannot own the file manager's name");
  }
  ~FakeFileManager() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_, registration_);
    g_dbus_node_info_unref(node_);
    g_object_unref(bus_);
  }

  std::vector<std::vector<std::string>> shownItems;

private:
  static void onMethodCall(GDBusConnection*, const char*, const char*, const char*,
                           const char* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self) {
    if (g_strcmp0(method, "ShowItems") == 0) {
      GVariantIter* uris = nullptr;
      const char* startupId = nullptr;
      g_variant_get(parameters, "(as&s)", &uris, &startupId);
      std::vector<std::string> items;
      const char* uri = nullptr;
      while (g_variant_iter_next(uris, "&s", &uri))
        items.emplace_back(uri);
      g_variant_iter_free(uris);
      static_cast<FakeFileManager*>(self)->shownItems.push_back(std::move(items));
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  GDBusConnection* bus_;
  GDBusNodeInfo* node_ = nullptr;
  guint registration_ = 0;
  guint owner_ = 0;
  bool owned_ = false;
};

// Records the dock progress that launcher-entry updates carry.
class DockProgressWatcher {
public:
  struct Update {
    double progress = 0;
    bool visible = false;
  };

  DockProgressWatcher() : bus_(sessionBus()) {
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, onUpdate, this, nullptr);
  }
  ~DockProgressWatcher() {
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    g_object_unref(bus_);
  }

  std::vector<Update> updates;

private:
  static void onUpdate(GDBusConnection*, const char*, const char*, const char*, const char*,
                       GVariant* parameters, gpointer self) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv})")))
      return;
    GVariant* properties = g_variant_get_child_value(parameters, 1);
    Update update;
    gboolean visible = FALSE;
    if (g_variant_lookup(properties, "progress-visible", "b", &visible)) {
      g_variant_lookup(properties, "progress", "d", &update.progress);
      update.visible = visible;
      static_cast<DockProgressWatcher*>(self)->updates.push_back(update);
    }
    g_variant_unref(properties);
  }

  GDBusConnection* bus_;
  guint subscription_ = 0;
};

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string fileUri(const fs::path& file) {
  char* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  std::string text = uri ? uri : "";
  g_free(uri);
  return text;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The application on the sample platform, signed-in page on show, with a
// file manager to answer it.
class DownloadingApp {
public:
  DownloadingApp() {
    home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
    app = std::make_unique<App>(home);
    if (!platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/login"; }))
      throw std::runtime_error("the app never loaded the sign-in page");
  }
  ~DownloadingApp() { (void)app->quit(); }

  // Opens a platform page in the window, as a Go menu entry would.
  void open(const std::string& path) {
    ASSERT_TRUE(waitUntil([&] { return app->activate("win.goToPath", platform.url() + path); }));
  }
  // The file as the platform serves it, fetched apart from the app.
  [[nodiscard]] std::string served(const std::string& path) const {
    const fs::path copy = home.root() / "served";
    runCommand({"curl", "-s", "-o", copy.string(), platform.url() + path});
    std::string bytes = readBytes(copy);
    fs::remove(copy);
    return bytes;
  }
  [[nodiscard]] bool shown(size_t count) {
    return waitUntil([&] { return fileManager.shownItems.size() >= count; }, 30s);
  }

  SamplePlatform platform;
  TempHome home;
  FakeFileManager fileManager;
  DockProgressWatcher dock;
  std::unique_ptr<App> app;
};

TEST(DownloadsE2ETest, TheSameFileTwiceGivesTwoWholeFilesEachShownInTheFileManager) {
  DownloadingApp downloading;
  const fs::path downloads = downloading.home.downloads();
  const std::string expected = downloading.served("/files/invoice.pdf");
  ASSERT_FALSE(expected.empty());
  // The folder the user dirs name is made when the first download needs it.
  fs::remove_all(downloads);

  downloading.open("/files/invoice.pdf");
  ASSERT_TRUE(downloading.shown(1)) << ::testing::PrintToString(namesIn(downloads));
  downloading.open("/files/invoice.pdf");
  ASSERT_TRUE(downloading.shown(2)) << ::testing::PrintToString(namesIn(downloads));

  EXPECT_EQ(namesIn(downloads), (std::vector<std::string>{"invoice-2.pdf", "invoice.pdf"}));
  EXPECT_EQ(readBytes(downloads / "invoice.pdf"), expected);
  EXPECT_EQ(readBytes(downloads / "invoice-2.pdf"), expected);
  EXPECT_EQ(downloading.fileManager.shownItems,
            (std::vector<std::vector<std::string>>{{fileUri(downloads / "invoice.pdf")},
                                                   {fileUri(downloads / "invoice-2.pdf")}}));
}

TEST(DownloadsE2ETest, TwoDownloadsOfOneNameTogetherEndAsTwoWholeFilesWithDockProgress) {
  DownloadingApp downloading;
  const fs::path downloads = downloading.home.downloads();
  const std::string expected = downloading.served("/files/fleet-archive.zip");
  ASSERT_EQ(expected.size(), 4U * 1024 * 1024);

  downloading.open("/downloads?start=fleet-archive.zip,fleet-archive.zip");
  ASSERT_TRUE(downloading.shown(2)) << ::testing::PrintToString(namesIn(downloads));

  EXPECT_EQ(namesIn(downloads),
            (std::vector<std::string>{"fleet-archive-2.zip", "fleet-archive.zip"}));
  EXPECT_TRUE(readBytes(downloads / "fleet-archive.zip") == expected);
  EXPECT_TRUE(readBytes(downloads / "fleet-archive-2.zip") == expected);

  // The bar rises while the files arrive and goes once both are done.
  ASSERT_TRUE(waitUntil([&] {
    return !downloading.dock.updates.empty() && !downloading.dock.updates.back().visible;
  }));
  const auto& updates = downloading.dock.updates;
  const bool midway = std::any_of(updates.begin(), updates.end(), [](const auto& update) {
    return update.visible && update.progress > 0 && update.progress < 1;
  });
  EXPECT_TRUE(midway) << updates.size() << " updates, none part of the way";
  EXPECT_TRUE(updates.front().visible);
  EXPECT_EQ(std::count_if(updates.begin(), updates.end(), [](const auto& u) { return !u.visible; }),
            1)
      << "hidden only once, when the last download ended";
}

TEST(DownloadsE2ETest, HostileNamesLandInsideTheDownloadsFolderAndNowhereElse) {
  const fs::path absoluteTarget = "/tmp/velmora-evil.sh";
  ASSERT_FALSE(fs::exists(absoluteTarget)) << "left over from elsewhere; remove it first";
  DownloadingApp downloading;
  const fs::path downloads = downloading.home.downloads();

  downloading.open("/downloads?start=hostile/dotdot,hostile/absolute,hostile/empty,hostile/long,"
                   "hostile/control");
  ASSERT_TRUE(downloading.shown(5)) << ::testing::PrintToString(namesIn(downloads));

  const auto names = namesIn(downloads);
  ASSERT_EQ(names.size(), 5U) << ::testing::PrintToString(names);
  for (const std::string& name : names) {
    EXPECT_LE(name.size(), 244U) << name;
    EXPECT_NE(name.front(), '.') << name;
    EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20;
    })) << ::testing::PrintToString(name);
    EXPECT_EQ(readBytes(downloads / name), "This file must land inside the Downloads folder.\n")
        << name;
  }
  for (const auto& items : downloading.fileManager.shownItems) {
    ASSERT_EQ(items.size(), 1U);
    EXPECT_TRUE(items[0].starts_with(fileUri(downloads) + "/")) << items[0];
  }
  // Nothing named after the climbing names appeared anywhere else in the
  // home, nor at the absolute path.
  for (const auto& entry : fs::recursive_directory_iterator(downloading.home.root())) {
    if (!entry.is_regular_file() || entry.path().parent_path() == downloads)
      continue;
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
  }
  EXPECT_FALSE(fs::exists(absoluteTarget));
  EXPECT_FALSE(fs::exists(downloading.home.root() / "evil.sh"));
  EXPECT_FALSE(fs::exists(downloads.parent_path().parent_path() / "evil.sh"));
}

} // namespace
} // namespace velmora::testing
