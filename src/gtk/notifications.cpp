#include "gtk/notifications.hpp"

namespace velmora::gtk {
namespace {

constexpr const char* clickedAction = "notification-clicked";
// Installed in the icon theme under the application's id.
constexpr const char* applicationIconName = "com.haulvane.Velmora";

std::string desktopIdOf(WebKitNotification* notification) {
  return "page-" + std::to_string(webkit_notification_get_id(notification));
}

} // namespace

PageNotifications::PageNotifications(GtkApplication* app)
    : app_(app), clicked_(GObjectPtr<GSimpleAction>::adopt(
                     g_simple_action_new(clickedAction, G_VARIANT_TYPE_STRING))) {
  signals_.emplace_back(clicked_.get(), "activate", G_CALLBACK(onClicked), this);
  g_action_map_add_action(G_ACTION_MAP(app_), G_ACTION(clicked_.get()));
}

PageNotifications::~PageNotifications() {
  g_action_map_remove_action(G_ACTION_MAP(app_), clickedAction);
}

void PageNotifications::watch(WebKitWebView* view) {
  signals_.emplace_back(view, "show-notification", G_CALLBACK(onShow), this);
}

gboolean PageNotifications::onShow(WebKitWebView*, WebKitNotification* notification,
                                   gpointer self) {
  auto* notifications = static_cast<PageNotifications*>(self);
  const std::string id = desktopIdOf(notification);
  const char* title = webkit_notification_get_title(notification);
  const char* body = webkit_notification_get_body(notification);
  GObjectPtr<GNotification> shown =
      GObjectPtr<GNotification>::adopt(g_notification_new(title && *title ? title : "Velmora"));
  if (body && *body)
    g_notification_set_body(shown.get(), body);
  // The application's own icon, not the server's generic one: the page's
  // notifications should read as Velmora's.
  GObjectPtr<GIcon> icon = GObjectPtr<GIcon>::adopt(g_themed_icon_new(applicationIconName));
  g_notification_set_icon(shown.get(), icon.get());
  g_notification_set_default_action_and_target(
      shown.get(), (std::string("app.") + clickedAction).c_str(), "s", id.c_str());
  g_application_send_notification(G_APPLICATION(notifications->app_), id.c_str(), shown.get());

  notifications->shown_[id] =
      Shown{GObjectPtr<WebKitNotification>::retain(notification),
            ScopedSignal(notification, "closed", G_CALLBACK(onClosed), self)};
  // Handled: the engine shows nothing of its own.
  return TRUE;
}

void PageNotifications::onClosed(WebKitNotification* notification, gpointer self) {
  auto* notifications = static_cast<PageNotifications*>(self);
  const std::string id = desktopIdOf(notification);
  g_application_withdraw_notification(G_APPLICATION(notifications->app_), id.c_str());
  // Disconnects this very handler, which GLib allows while it runs.
  notifications->shown_.erase(id);
}

void PageNotifications::onClicked(GSimpleAction*, GVariant* id, gpointer self) {
  auto* notifications = static_cast<PageNotifications*>(self);
  // The window comes forward even when the user had closed it.
  if (GList* windows = gtk_application_get_windows(notifications->app_))
    gtk_window_present(GTK_WINDOW(windows->data));
  const auto found = notifications->shown_.find(g_variant_get_string(id, nullptr));
  if (found == notifications->shown_.end())
    return;
  // Runs the page's own click handler.
  webkit_notification_clicked(found->second.notification.get());
}

} // namespace velmora::gtk
