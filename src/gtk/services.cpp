#include "gtk/services.hpp"

#include "glib_owners/glib_ptr.hpp"
#include "gtk/private_files.hpp"

#include <gio/gio.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace velmora::gtk {
namespace {

constexpr const char* launcherAppUri = "application://com.haulvane.Velmora.desktop";

gboolean runTask(gpointer data) {
  (*static_cast<std::function<void()>*>(data))();
  return G_SOURCE_REMOVE;
}

void deleteTask(gpointer data) {
  delete static_cast<std::function<void()>*>(data);
}

void onLaunched(GObject*, GAsyncResult* result, gpointer) {
  GErrorPtr error;
  if (!g_app_info_launch_default_for_uri_finish(result, out(error)))
    g_debug("no application opened the address: %s", error->message);
}

void launchUri(const std::string& uri) {
  if (!uri.empty())
    g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, onLaunched, nullptr);
}

GDBusConnection* sessionBus() {
  GApplication* app = g_application_get_default();
  return app ? g_application_get_dbus_connection(app) : nullptr;
}

} // namespace

void IdleMainQueue::async(std::function<void()> task) {
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, runTask, new std::function<void()>(std::move(task)),
                  deleteTask);
}

struct IdleMainQueue::Delayed {
  IdleMainQueue* queue;
  DelayedTaskId id;
  std::function<void()> task;
};

gboolean IdleMainQueue::runDelayed(gpointer data) {
  auto* delayed = static_cast<Delayed*>(data);
  const auto found = delayed->queue->pending_.find(delayed->id);
  found->second.ran();
  delayed->queue->pending_.erase(found);
  delayed->task();
  return G_SOURCE_REMOVE;
}

DelayedTaskId IdleMainQueue::after(std::chrono::milliseconds delay, std::function<void()> task) {
  const DelayedTaskId id = ++lastId_;
  const auto millis = static_cast<guint>(std::clamp<std::chrono::milliseconds::rep>(
      delay.count(), 0, std::numeric_limits<guint>::max()));
  pending_[id] = SourceId(g_timeout_add_full(
      G_PRIORITY_DEFAULT, millis, runDelayed, new Delayed{this, id, std::move(task)},
      [](gpointer data) { delete static_cast<Delayed*>(data); }));
  return id;
}

void IdleMainQueue::cancel(DelayedTaskId task) {
  const auto found = pending_.find(task);
  if (found == pending_.end())
    return;
  pending_.erase(found);
}

void GioConnectivity::setObserver(ConnectivityObserver* observer) {
  observer_ = observer;
  if (cancellable_ || !observer)
    return;
  cancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  GNetworkMonitor* monitor = g_network_monitor_get_default();
  networkAvailable_ = g_network_monitor_get_network_available(monitor);
  networkChanged_ = ScopedSignal(monitor, "network-changed", G_CALLBACK(onNetworkChanged), this);
  // Asked for without waiting: start-up must not hang on a bus that is slow
  // to answer or absent, as in containers.
  g_bus_get(G_BUS_TYPE_SYSTEM, cancellable_.get(), onSystemBus, this);
}

GioConnectivity::~GioConnectivity() {
  if (cancellable_)
    g_cancellable_cancel(cancellable_.get());
  if (systemBus_)
    g_dbus_connection_signal_unsubscribe(systemBus_.get(), sleepSubscription_);
}

void GioConnectivity::onNetworkChanged(GNetworkMonitor*, gboolean available, gpointer self) {
  auto* connectivity = static_cast<GioConnectivity*>(self);
  const bool cameBack = available && !connectivity->networkAvailable_;
  connectivity->networkAvailable_ = available;
  if (cameBack && connectivity->observer_)
    connectivity->observer_->networkDidBecomeAvailable();
}

void GioConnectivity::onSystemBus(GObject*, GAsyncResult* result, gpointer self) {
  GErrorPtr error;
  GDBusConnection* bus = g_bus_get_finish(result, out(error));
  if (!bus) {
    // Cancelled means the object is gone; otherwise there is no system bus.
    if (!g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
      g_debug("no system bus, so no wake-up signal: %s", error->message);
    return;
  }
  auto* connectivity = static_cast<GioConnectivity*>(self);
  connectivity->systemBus_ = GObjectPtr<GDBusConnection>::adopt(bus);
  connectivity->sleepSubscription_ = g_dbus_connection_signal_subscribe(
      bus, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
      "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onPrepareForSleep, self,
      nullptr);
}

void GioConnectivity::onPrepareForSleep(GDBusConnection*, const char*, const char*, const char*,
                                        const char*, GVariant* parameters, gpointer self) {
  auto* connectivity = static_cast<GioConnectivity*>(self);
  gboolean sleeping = TRUE;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)")))
    g_variant_get(parameters, "(b)", &sleeping);
  if (!sleeping && connectivity->observer_)
    connectivity->observer_->systemDidWake();
}

void GdkClipboardText::readText(std::function<void(std::optional<std::string>)> done) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) {
    done(std::nullopt);
    return;
  }
  using Done = std::function<void(std::optional<std::string>)>;
  gdk_clipboard_read_text_async(
      gdk_display_get_clipboard(display), nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Done> callback(static_cast<Done*>(data));
        GErrorPtr error;
        GCharPtr text(gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, out(error)));
        (*callback)(stringOf(text.get()));
      },
      new Done(std::move(done)));
}

void GdkClipboardText::writeText(const std::string& text) {
  if (GdkDisplay* display = gdk_display_get_default())
    gdk_clipboard_set_text(gdk_display_get_clipboard(display), text.c_str());
}

void LauncherEntryDockTile::emit(GVariant* properties) {
  GVariantPtr owned(g_variant_ref_sink(properties));
  GDBusConnection* bus = sessionBus();
  if (!bus)
    return;
  g_dbus_connection_emit_signal(bus, nullptr, "/com/haulvane/Velmora",
                                "com.canonical.Unity.LauncherEntry", "Update",
                                g_variant_new("(s@a{sv})", launcherAppUri, owned.get()), nullptr);
}

void LauncherEntryDockTile::setBadgeLabel(const std::string& label) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  gint64 count = 0;
  if (!label.empty())
    count = g_ascii_strtoll(label.c_str(), nullptr, 10);
  g_variant_builder_add(&builder, "{sv}", "count", g_variant_new_int64(count));
  g_variant_builder_add(&builder, "{sv}", "count-visible", g_variant_new_boolean(!label.empty()));
  emit(g_variant_builder_end(&builder));
}

void LauncherEntryDockTile::setProgress(std::optional<double> fraction) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&builder, "{sv}", "progress", g_variant_new_double(fraction.value_or(0)));
  g_variant_builder_add(&builder, "{sv}", "progress-visible",
                        g_variant_new_boolean(fraction.has_value()));
  emit(g_variant_builder_end(&builder));
}

void DesktopWorkspace::openURL(const Url& url) {
  launchUri(url.absoluteString());
}

void DesktopWorkspace::activateFileViewerSelectingURLs(
    const std::vector<std::filesystem::path>& files) {
  if (files.empty())
    return;
  GVariantBuilder uris;
  g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
  for (const auto& file : files) {
    GCharPtr uri(g_filename_to_uri(file.c_str(), nullptr, nullptr));
    if (uri)
      g_variant_builder_add(&uris, "s", uri.get());
  }
  // The folder is opened instead when no file manager answers on the bus.
  auto* folder = new std::string(
      takeString(g_filename_to_uri(files.front().parent_path().c_str(), nullptr, nullptr)));
  GDBusConnection* bus = sessionBus();
  if (!bus) {
    g_variant_builder_clear(&uris);
    launchUri(*std::unique_ptr<std::string>(folder));
    return;
  }
  g_dbus_connection_call(
      bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
      "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(ass)", &uris, ""), nullptr,
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::string> folder(static_cast<std::string*>(data));
        GErrorPtr error;
        GVariantPtr reply(
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, out(error)));
        if (error)
          launchUri(*folder);
      },
      folder);
}

std::optional<std::filesystem::path> LocalFiles::downloadsDirectory() const {
  if (const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD))
    return std::filesystem::path(special);
  const char* home = g_get_home_dir();
  if (!home || !*home)
    return std::nullopt;
  return std::filesystem::path(home) / "Downloads";
}

bool LocalFiles::fileExistsAtPath(const std::filesystem::path& path) const {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// Downloads and their folder are the user's files, made with the mask the
// user started Velmora with rather than the process's private one.
bool LocalFiles::createDirectory(const std::filesystem::path& path) {
  std::error_code error;
  std::vector<std::filesystem::path> missing;
  for (auto folder = path; !folder.empty() && !std::filesystem::exists(folder, error);
       folder = folder.parent_path()) {
    missing.push_back(folder);
    if (folder == folder.parent_path())
      break;
  }
  const auto mode = static_cast<std::filesystem::perms>(0777 & ~userFileMask());
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (std::filesystem::create_directory(*folder, error))
      std::filesystem::permissions(*folder, mode, error);
  }
  return std::filesystem::is_directory(path, error);
}

FileCreation LocalFiles::createNewFile(const std::filesystem::path& path) {
  // O_EXCL makes the test and the creation one step and refuses a link of
  // any kind, so nothing that is already there is ever opened.
  const int fd = g_open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    if (error == EEXIST)
      return {FileCreation::Outcome::exists, {}};
    return {FileCreation::Outcome::failed, g_strerror(error)};
  }
  // The engine replaces this file with the download, whose mode GtkDownload
  // sets in turn; until then the empty file is the user's as well.
  if (fchmod(fd, 0666 & ~userFileMask()) != 0)
    g_debug("could not give %s the user's permissions: %s", path.c_str(), g_strerror(errno));
  g_close(fd, nullptr);
  return {FileCreation::Outcome::created, {}};
}

} // namespace velmora::gtk
