// The window's keyboard ring. GTK's own window moves Tab between its child
// and its header bar only, and leaves the menu bar out; the engine hands the
// keyboard back to the window at the page's first and last link. Here Tab
// goes round the page, the header bar and the menu bar in that order, and
// Shift+Tab the other way, so the keyboard always lands somewhere.
#pragma once

#include <gtk/gtk.h>

namespace velmora::gtk {

// A GtkApplicationWindow for `app` whose Tab and Shift+Tab go round the
// ring; every other direction is GTK's own.
[[nodiscard]] GtkWidget* newRingWindow(GtkApplication* app);

} // namespace velmora::gtk
