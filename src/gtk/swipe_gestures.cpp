#include "gtk/swipe_gestures.hpp"

#include <algorithm>

namespace velmora::gtk {

bool swipeGesturesOn(bool allowed, std::span<const GdkInputSource> pointingDevices) {
  return allowed && std::ranges::any_of(pointingDevices, [](GdkInputSource source) {
           return source == GDK_SOURCE_TOUCHPAD || source == GDK_SOURCE_TOUCHSCREEN;
         });
}

SwipeGestureWatch::SwipeGestureWatch(WebKitSettings* settings, GdkDisplay* display, bool allowed)
    : settings_(GObjectPtr<WebKitSettings>::retain(settings)),
      seat_(GObjectPtr<GdkSeat>::retain(display ? gdk_display_get_default_seat(display) : nullptr)),
      allowed_(allowed) {
  if (seat_ && allowed_) {
    signals_.emplace_back(seat_.get(), "device-added", G_CALLBACK(onDevicesChanged), this);
    signals_.emplace_back(seat_.get(), "device-removed", G_CALLBACK(onDevicesChanged), this);
  }
  apply();
}

void SwipeGestureWatch::apply() {
  std::vector<GdkInputSource> sources;
  if (seat_) {
    const GListPtr devices(gdk_seat_get_devices(seat_.get(), GDK_SEAT_CAPABILITY_ALL_POINTING));
    for (GList* device = devices.get(); device; device = device->next)
      sources.push_back(gdk_device_get_source(GDK_DEVICE(device->data)));
  }
  const bool on = swipeGesturesOn(allowed_, sources);
  if (on == static_cast<bool>(
                webkit_settings_get_enable_back_forward_navigation_gestures(settings_.get())))
    return;
  g_debug("back/forward swipe gestures %s", on ? "on" : "off");
  webkit_settings_set_enable_back_forward_navigation_gestures(settings_.get(), on);
}

void SwipeGestureWatch::onDevicesChanged(GdkSeat*, GdkDevice*, gpointer self) {
  static_cast<SwipeGestureWatch*>(self)->apply();
}

} // namespace velmora::gtk
