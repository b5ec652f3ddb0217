#include "gtk/focus_ring.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <webkit/webkit.h>

#include <array>

namespace velmora::gtk {
namespace {

struct RingWindow {
  GtkApplicationWindow parent;
  // When the last key was pressed, when the page last handed the keyboard
  // back to the window, and the key press that last moved it a step.
  guint32 lastKeyTime;
  guint32 pageLeftAt;
  guint32 steppedAt;
};
struct RingWindowClass {
  GtkApplicationWindowClass parent;
};

GType ringWindowType();
gpointer ringWindowParentClass = nullptr;

// The application window keeps its menu bar as a child of its own, apart
// from the child and the title bar.
GtkWidget* menuBarOf(GtkWidget* window) {
  for (GtkWidget* child = gtk_widget_get_first_child(window); child;
       child = gtk_widget_get_next_sibling(child)) {
    if (GTK_IS_POPOVER_MENU_BAR(child))
      return child;
  }
  return nullptr;
}

// Moves the keyboard to the first control after (or before) `from` within
// `part`, leaving `from` itself out.
bool focusBeyond(GtkWidget* from, GtkWidget* part, GtkDirectionType direction) {
  const bool forward = direction == GTK_DIR_TAB_FORWARD;
  for (GtkWidget* widget = from; widget && widget != part; widget = gtk_widget_get_parent(widget)) {
    for (GtkWidget* sibling = forward ? gtk_widget_get_next_sibling(widget)
                                      : gtk_widget_get_prev_sibling(widget);
         sibling; sibling = forward ? gtk_widget_get_next_sibling(sibling)
                                    : gtk_widget_get_prev_sibling(sibling)) {
      if (gtk_widget_get_visible(sibling) && gtk_widget_child_focus(sibling, direction))
        return true;
    }
  }
  return false;
}

gboolean stepRound(GtkWidget* widget, GtkDirectionType direction);

gboolean ringFocus(GtkWidget* widget, GtkDirectionType direction) {
  const auto parentFocus = GTK_WIDGET_CLASS(ringWindowParentClass)->focus;
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD)
    return parentFocus(widget, direction);
  // One press is one step. At the page's end the engine both hands the
  // keyboard back and delivers the same press to the window again, in
  // either order; whichever comes second finds the step taken.
  auto* ringWindow = reinterpret_cast<RingWindow*>(widget);
  if (ringWindow->lastKeyTime != 0 && ringWindow->steppedAt == ringWindow->lastKeyTime)
    return TRUE;
  const gboolean moved = stepRound(widget, direction);
  if (moved)
    ringWindow->steppedAt = ringWindow->lastKeyTime;
  return moved;
}

gboolean stepRound(GtkWidget* widget, GtkDirectionType direction) {
  GtkWindow* window = GTK_WINDOW(widget);
  // In Tab order; a part the window does not have is skipped.
  const std::array<GtkWidget*, 3> ring{gtk_window_get_child(window),
                                       gtk_window_get_titlebar(window), menuBarOf(widget)};
  constexpr int size = static_cast<int>(ring.size());
  GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window));
  int current = -1;
  for (int i = 0; i < size; ++i) {
    if (ring[i] && focus && (focus == ring[i] || gtk_widget_is_ancestor(focus, ring[i])))
      current = i;
  }
  // Within the part that has the keyboard first, as GTK would; but the
  // engine asks only once the page has no further link that way, and GTK
  // would then move into the engine's own hidden text view inside the
  // page view, where the keyboard is lost.
  if (GtkWidget* page = focus ? gtk_widget_get_ancestor(focus, WEBKIT_TYPE_WEB_VIEW) : nullptr) {
    reinterpret_cast<RingWindow*>(widget)->pageLeftAt =
        reinterpret_cast<RingWindow*>(widget)->lastKeyTime;
    if (current >= 0 && focusBeyond(page, ring[current], direction))
      return TRUE;
  } else if (current >= 0 && gtk_widget_child_focus(ring[current], direction)) {
    return TRUE;
  }
  const int step = direction == GTK_DIR_TAB_FORWARD ? 1 : -1;
  // The next part is entered at its own first (or last) control, so the
  // keyboard leaves this one first, as GTK's own window does.
  if (current >= 0)
    gtk_window_set_focus(window, nullptr);
  // With the keyboard nowhere, Tab starts at the page and Shift+Tab at the
  // menu bar.
  const int start = current >= 0 ? current : (step > 0 ? size - 1 : 0);
  for (int k = 1; k <= size; ++k) {
    GtkWidget* next = ring[((start + step * k) % size + size) % size];
    if (!next || !gtk_widget_get_visible(next))
      continue;
    if (gtk_widget_child_focus(next, direction)) {
      // Entered backwards, GTK tries the page view's children before the
      // view itself and lands in the engine's hidden text view.
      GtkWidget* now = gtk_root_get_focus(GTK_ROOT(window));
      GtkWidget* page = now ? gtk_widget_get_ancestor(now, WEBKIT_TYPE_WEB_VIEW) : nullptr;
      if (page && page != now)
        gtk_widget_grab_focus(page);
      return TRUE;
    }
    // The menu bar's items take the keyboard but do not move it in.
    if (GTK_IS_POPOVER_MENU_BAR(next)) {
      GtkWidget* item = gtk_widget_get_first_child(next);
      if (item && gtk_widget_grab_focus(item))
        return TRUE;
    }
  }
  return FALSE;
}

gboolean onKeyPressed(GtkEventControllerKey* keys, guint, guint, GdkModifierType, gpointer window) {
  reinterpret_cast<RingWindow*>(window)->lastKeyTime =
      gtk_event_controller_get_current_event_time(GTK_EVENT_CONTROLLER(keys));
  return FALSE;
}

// The engine hands the keyboard back at the page's last link, and then
// delivers the same Tab to the window again as one the page left alone:
// that second delivery must not move the keyboard a second step.
void onMoveFocus(GtkWidget* widget, GtkDirectionType direction, gpointer) {
  auto* window = reinterpret_cast<RingWindow*>(widget);
  const bool tab = direction == GTK_DIR_TAB_FORWARD || direction == GTK_DIR_TAB_BACKWARD;
  if (tab && window->pageLeftAt != 0 && window->pageLeftAt == window->lastKeyTime)
    g_signal_stop_emission_by_name(widget, "move-focus");
}

void ringWindowClassInit(gpointer klass, gpointer) {
  ringWindowParentClass = g_type_class_peek_parent(klass);
  GTK_WIDGET_CLASS(klass)->focus = ringFocus;
}

GType ringWindowType() {
  static const GType type = g_type_register_static_simple(
      GTK_TYPE_APPLICATION_WINDOW, "VelmoraRingWindow", sizeof(RingWindowClass),
      ringWindowClassInit, sizeof(RingWindow), nullptr, GTypeFlags(0));
  return type;
}

// The theme draws no focus ring on a menu bar item, so the keyboard would
// seem lost there.
void showFocusOnTheMenuBar() {
  static bool installed = false;
  GdkDisplay* display = gdk_display_get_default();
  if (installed || !display)
    return;
  installed = true;
  const auto css = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
  const char* style = "menubar > item:focus-visible { outline: 2px solid "
                      "alpha(@theme_selected_bg_color, 0.8); outline-offset: -2px; }";
  gtk_css_provider_load_from_data(css.get(), style, -1);
  // The display keeps a reference of its own.
  gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(css.get()),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

} // namespace

GtkWidget* newRingWindow(GtkApplication* app) {
  showFocusOnTheMenuBar();
  GtkWidget* window = GTK_WIDGET(g_object_new(ringWindowType(), "application", app, nullptr));
  // Every key press is seen here first, the engine's second delivery of
  // one included: both carry the same time.
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed", G_CALLBACK(onKeyPressed), window);
  gtk_widget_add_controller(window, keys);
  g_signal_connect(window, "move-focus", G_CALLBACK(onMoveFocus), nullptr);
  return window;
}

} // namespace velmora::gtk
