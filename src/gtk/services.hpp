// The desktop services of the GTK backend, each behind its core interface.
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "platform/alerts.hpp"
#include "platform/clipboard.hpp"
#include "platform/connectivity.hpp"
#include "platform/dock_tile.hpp"
#include "platform/files.hpp"
#include "platform/http_client.hpp"
#include "platform/location.hpp"
#include "platform/main_queue.hpp"
#include "platform/workspace.hpp"

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace velmora::gtk {

// Modal GtkMessageDialogs, transient for the active window.
class GtkAlerts final : public Alerts {
public:
  explicit GtkAlerts(GtkApplication* app) : app_(app) {}
  AlertId runModal(const Alert& alert,
                   std::function<void(const AlertResponse&)> completion) override;
  void dismiss(AlertId alert) override;

private:
  GtkApplication* app_;
  AlertId lastId_ = 0;
  // The dialogs on show. Shared with each dialog's own state, which takes
  // its entry out when the dialog goes, whichever of the two goes first.
  std::shared_ptr<std::map<AlertId, GtkWidget*>> open_ =
      std::make_shared<std::map<AlertId, GtkWidget*>>();
};

// libsoup requests, one session per request so each has its own timeout and
// no state (cookies, credentials) is shared with anything else.
class SoupHttpClient final : public HttpClient {
public:
  void get(const HttpRequest& request, std::function<void(HttpResponse)> completion) override;
};

class GdkClipboardText final : public Clipboard {
public:
  void readText(std::function<void(std::optional<std::string>)> done) override;
  void writeText(const std::string& text) override;
};

// The badge and progress of the dock icon, sent as the launcher-entry
// signal that GNOME and KDE docks read, for the application's desktop file.
class LauncherEntryDockTile final : public DockTile {
public:
  void setBadgeLabel(const std::string& label) override;
  void setProgress(std::optional<double> fraction) override;

private:
  void emit(GVariant* properties);
};

class DesktopWorkspace final : public Workspace {
public:
  void openURL(const Url& url) override;
  void activateFileViewerSelectingURLs(const std::vector<std::filesystem::path>& files) override;
};

class LocalFiles final : public Files {
public:
  [[nodiscard]] std::optional<std::filesystem::path> downloadsDirectory() const override;
  [[nodiscard]] bool fileExistsAtPath(const std::filesystem::path& path) const override;
  [[nodiscard]] bool createDirectory(const std::filesystem::path& path) override;
  [[nodiscard]] FileCreation createNewFile(const std::filesystem::path& path) override;
};

// WebKitGTK asks the desktop's location service itself when a page is
// granted access, so there is nothing to do ahead of it.
class GeoClueLocation final : public LocationService {
public:
  void requestWhenInUseAuthorization() override {}
};

// GLib's main context: idle callbacks and timeouts.
class IdleMainQueue final : public MainQueue {
public:
  void async(std::function<void()> task) override;
  DelayedTaskId after(std::chrono::milliseconds delay, std::function<void()> task) override;
  void cancel(DelayedTaskId task) override;
  [[nodiscard]] Clock::time_point now() const override { return Clock::now(); }

private:
  struct Delayed;
  static gboolean runDelayed(gpointer data);
  DelayedTaskId lastId_ = 0;
  // Delayed tasks not yet run, with their GLib sources: removed with the queue.
  std::map<DelayedTaskId, SourceId> pending_;
};

// GLib's network monitor, and logind's sleep signal on the system bus where
// there is one.
class GioConnectivity final : public Connectivity {
public:
  GioConnectivity() = default;
  ~GioConnectivity() override;
  GioConnectivity(const GioConnectivity&) = delete;
  GioConnectivity& operator=(const GioConnectivity&) = delete;
  // The network monitor and the system bus are only looked at once someone
  // listens, so `velmora --version` and a second instance touch neither.
  void setObserver(ConnectivityObserver* observer) override;

private:
  static void onNetworkChanged(GNetworkMonitor*, gboolean available, gpointer self);
  static void onSystemBus(GObject*, GAsyncResult* result, gpointer self);
  static void onPrepareForSleep(GDBusConnection*, const char*, const char*, const char*,
                                const char*, GVariant* parameters, gpointer self);

  ConnectivityObserver* observer_ = nullptr;
  bool networkAvailable_ = true;
  ScopedSignal networkChanged_;
  // Made when someone first listens.
  GObjectPtr<GCancellable> cancellable_;
  GObjectPtr<GDBusConnection> systemBus_;
  guint sleepSubscription_ = 0;
};

} // namespace velmora::gtk
