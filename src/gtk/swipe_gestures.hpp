// Back and forward swipe gestures, on only where a device can make them.
// While they are on, the engine keeps a full-size picture of every page
// visited for the swipe's animation: about 3.8 MiB a page at the window's
// first size without a GPU, kept for every entry of the history, so a
// window open all day grows by hundreds of MiB for users who have nothing
// to swipe with. The window allows the gestures; this watch honours that
// while the seat has a touchpad or a touchscreen, and looks again whenever
// a device comes or goes.
#pragma once

#include "glib_owners/glib_ptr.hpp"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <span>
#include <vector>

namespace velmora::gtk {

// On when allowed and one of the pointing devices can swipe: a touchpad or
// a touchscreen. A mouse, a pen or a trackpoint cannot.
[[nodiscard]] bool swipeGesturesOn(bool allowed, std::span<const GdkInputSource> pointingDevices);

class SwipeGestureWatch {
public:
  // Sets the gestures in `settings` now, and again whenever the seat of
  // `display` gains or loses a device. A display without a seat has no
  // device to swipe with.
  SwipeGestureWatch(WebKitSettings* settings, GdkDisplay* display, bool allowed);
  SwipeGestureWatch(const SwipeGestureWatch&) = delete;
  SwipeGestureWatch& operator=(const SwipeGestureWatch&) = delete;

private:
  void apply();
  static void onDevicesChanged(GdkSeat*, GdkDevice*, gpointer self);

  GObjectPtr<WebKitSettings> settings_;
  GObjectPtr<GdkSeat> seat_;
  bool allowed_;
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
