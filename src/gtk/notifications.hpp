// The platform's web notifications shown as the application's own desktop
// notifications. Whether a page may notify at all is the window
// controller's decision (the platform host only); this shows what it sends,
// and a click on one brings the window forward and runs the page's handler.
#pragma once

#include "glib_owners/glib_ptr.hpp"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <map>
#include <string>
#include <vector>

namespace velmora::gtk {

class PageNotifications {
public:
  explicit PageNotifications(GtkApplication* app);
  ~PageNotifications();
  PageNotifications(const PageNotifications&) = delete;
  PageNotifications& operator=(const PageNotifications&) = delete;

  // Shows the notifications this view's pages send.
  void watch(WebKitWebView* view);

private:
  static gboolean onShow(WebKitWebView*, WebKitNotification*, gpointer self);
  static void onClosed(WebKitNotification*, gpointer self);
  static void onClicked(GSimpleAction*, GVariant* id, gpointer self);

  struct Shown {
    GObjectPtr<WebKitNotification> notification;
    ScopedSignal closed;
  };

  GtkApplication* app_;
  GObjectPtr<GSimpleAction> clicked_;
  // Shown and not yet closed, by the id the desktop knows them under.
  std::map<std::string, Shown> shown_;
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
