// The keyboard shortcuts window, as GNOME applications have it. It lists
// what the menu bar itself installed: every item of the drawn menus that
// has an accelerator, with all of its keys, grouped by menu. The Go menu's
// entries are included as the page on show made them.
#pragma once

#include <gtk/gtk.h>

namespace velmora::gtk {

// Opens the window over `parent`, or brings forward the one already open.
void showShortcutsWindow(GtkApplication* app, GtkWindow* parent);

} // namespace velmora::gtk
