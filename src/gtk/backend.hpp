// The GTK application: owns every desktop service, the persistent web data
// session and the GtkApplication, and connects the application's life cycle
// (startup, activate, open) and its menu actions to the application delegate.
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "gtk/key_file_store.hpp"
#include "gtk/last_copy_store.hpp"
#include "gtk/notifications.hpp"
#include "gtk/services.hpp"
#include "platform/application_delegate.hpp"
#include "platform/desktop.hpp"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <memory>
#include <optional>

namespace velmora::gtk {

class GoMenu;

class Backend final : public Application, public WindowSystem {
public:
  Backend();
  ~Backend() override;

  [[nodiscard]] Desktop& desktop() { return desktop_; }
  // Runs the application until it quits; gives the process's exit status.
  int run(ApplicationDelegate& delegate, int argc, char** argv);

  // Application
  Menu* setMainMenu(const MenuBar& menuBar) override;
  void activateIgnoringOtherApps() override;
  void terminate() override;
  void invalidateMenuItems() override;

  // WindowSystem
  [[nodiscard]] std::unique_ptr<Window> createWindow(const WindowDescription& window) override;

private:
  static void onRegistered(GApplication*, GParamSpec*, gpointer self);
  static void onStartup(GApplication*, gpointer self);
  static void onActivate(GApplication*, gpointer self);
  static void onOpen(GApplication*, GFile**, int count, const char*, gpointer self);
  static void onShutdown(GApplication*, gpointer self);
  static int onHandleLocalOptions(GApplication*, GVariantDict* options, gpointer);

  void launchIfNeeded();
  void installWindowActions(GtkApplicationWindow* window);
  void performAction(Action action, GVariant* parameter);
  // Sets Open at Login's check mark from the autostart entries.
  void refreshOpenAtLogin();

  GObjectPtr<GtkApplication> app_;
  GObjectPtr<WebKitNetworkSession> session_;
  KeyFileStore store_;
  KeyFileSettings settings_;
  GtkAlerts alerts_;
  SoupHttpClient http_;
  GdkClipboardText clipboard_;
  LauncherEntryDockTile dockTile_;
  DesktopWorkspace workspace_;
  LocalFiles files_;
  GeoClueLocation location_;
  IdleMainQueue mainQueue_;
  GioConnectivity connectivity_;
  FileLastCopyStore lastCopies_;
  Desktop desktop_;
  PageNotifications notifications_;

  ApplicationDelegate* delegate_ = nullptr;
  bool launched_ = false;
  GtkApplicationWindow* window_ = nullptr;
  class GtkAppWindow* appWindow_ = nullptr;
  std::unique_ptr<GoMenu> goMenu_;
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
