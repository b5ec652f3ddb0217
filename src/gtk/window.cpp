#include "gtk/window.hpp"

#include "gtk/focus_ring.hpp"
#include "gtk/web_view.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace velmora::gtk {
namespace {

// How long the size must stay put before it is written: a drag resizes the
// window many times a second, and only where it ends matters.
constexpr guint saveFrameDelayMs = 500;

int readInt(const KeyFileStore& store, const std::string& group, const char* key, int fallback) {
  const auto text = store.get(group, key);
  int value = 0;
  if (!text || std::from_chars(text->data(), text->data() + text->size(), value).ec != std::errc{})
    return fallback;
  return value;
}

// The largest size any monitor offers, so a size saved on a bigger screen
// (or written by hand) never opens a window larger than this one's.
Size screenLimit() {
  Size limit;
  GdkDisplay* display = gdk_display_get_default();
  GListModel* monitors = display ? gdk_display_get_monitors(display) : nullptr;
  for (guint i = 0; monitors && i < g_list_model_get_n_items(monitors); ++i) {
    auto monitor =
        GObjectPtr<GdkMonitor>::adopt(static_cast<GdkMonitor*>(g_list_model_get_item(monitors, i)));
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor.get(), &area);
    limit.width = std::max(limit.width, area.width);
    limit.height = std::max(limit.height, area.height);
  }
  return limit;
}

// The stored size within the window's minimum and the screen.
int fitted(int stored, int minimum, int screen) {
  const int upper = screen > 0 ? std::max(screen, minimum) : std::numeric_limits<int>::max();
  return std::clamp(stored, minimum, upper);
}

// The overlay as a widget: detaching it is removing it from the overlay
// layer and letting the page underneath have the keyboard again.
class OverlayView final : public View {
public:
  OverlayView(GtkOverlay* parent, GtkWidget* child) : parent_(parent), child_(child) {
    g_object_add_weak_pointer(G_OBJECT(child_), reinterpret_cast<gpointer*>(&child_));
  }
  ~OverlayView() override {
    if (child_)
      g_object_remove_weak_pointer(G_OBJECT(child_), reinterpret_cast<gpointer*>(&child_));
  }
  void removeFromSuperview() override {
    if (!child_ || !gtk_widget_get_parent(child_))
      return;
    gtk_overlay_remove_overlay(parent_, child_);
    if (GtkWidget* page = gtk_overlay_get_child(parent_))
      gtk_widget_set_can_focus(page, TRUE);
  }

private:
  GtkOverlay* parent_;
  GtkWidget* child_;
};

// The error screen's look: light text on a dark cover, in one column
// narrow enough to read at a glance from across a desk.
constexpr int overlayColumnWidth = 460;
constexpr int overlayColumnSpacing = 14;
constexpr int overlayButtonSpacing = 10;
constexpr const char* overlayStyle =
    ".velmora-error-overlay { background-color: rgb(12,14,18); }\n"
    ".velmora-overlay-title { font-size: 22px; font-weight: bold; color: white; }\n"
    ".velmora-overlay-message { font-size: 13px; color: rgb(191,191,191); }\n"
    ".velmora-overlay-footnote { font-size: 11px; color: rgb(140,140,140); }\n";

// A centred label that wraps at the column's width instead of widening it.
GtkWidget* makeColumnLabel(const std::string& text, const char* cssClass) {
  GtkWidget* widget = gtk_label_new(text.c_str());
  gtk_label_set_wrap(GTK_LABEL(widget), TRUE);
  gtk_label_set_justify(GTK_LABEL(widget), GTK_JUSTIFY_CENTER);
  gtk_widget_add_css_class(widget, cssClass);
  gtk_label_set_max_width_chars(GTK_LABEL(widget), 1);
  gtk_widget_set_size_request(widget, overlayColumnWidth, -1);
  return widget;
}

// Return presses the default button wherever the keyboard focus is, as the
// key equivalent of a push button does, and before the page could see it.
void bindReturnKey(GtkWidget* button) {
  GtkEventController* keys = gtk_shortcut_controller_new();
  gtk_shortcut_controller_set_scope(GTK_SHORTCUT_CONTROLLER(keys), GTK_SHORTCUT_SCOPE_MANAGED);
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  for (guint key : {GDK_KEY_Return, GDK_KEY_KP_Enter, GDK_KEY_ISO_Enter}) {
    // The shortcut takes over a reference; the activate action is a shared
    // singleton, so it gets one of its own.
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(key, GdkModifierType(0)),
                         GTK_SHORTCUT_ACTION(g_object_ref(gtk_activate_action_get()))));
  }
  gtk_widget_add_controller(button, keys);
}

void onOverlayButton(GtkButton*, gpointer data) {
  // Copied first: the action may remove the overlay and with it this button.
  auto action = *static_cast<std::function<void()>*>(data);
  if (action)
    action();
}

} // namespace

GtkAppWindow::GtkAppWindow(GtkApplication* app, WebKitNetworkSession* session, KeyFileStore& store,
                           const WindowDescription& description, WindowHooks hooks)
    : session_(session), hooks_(std::move(hooks)), store_(store),
      autosaveName_(description.frameAutosaveName) {
  window_ = newRingWindow(app);
  windowRef_ = GObjectPtr<GtkWidget>::retain(window_);
  gtk_window_set_title(GTK_WINDOW(window_), description.title.c_str());
  gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window_), TRUE);
  gtk_widget_set_size_request(window_, description.minSize.width, description.minSize.height);
  const Size screen = screenLimit();
  const int width = readInt(store_, autosaveName_, "width", description.contentSize.width);
  const int height = readInt(store_, autosaveName_, "height", description.contentSize.height);
  gtk_window_set_default_size(GTK_WINDOW(window_),
                              fitted(width, description.minSize.width, screen.width),
                              fitted(height, description.minSize.height, screen.height));
  const bool maximized = store_.get(autosaveName_, "maximized") == "true";
  if (maximized)
    gtk_window_maximize(GTK_WINDOW(window_));
  // What is stored already need not be written again.
  savedFrame_ = {{"width", std::to_string(width)},
                 {"height", std::to_string(height)},
                 {"maximized", maximized ? "true" : "false"}};
  // Closing only hides the window: the page, its history and the sign-in
  // stay, and the application keeps running.
  gtk_window_set_hide_on_close(GTK_WINDOW(window_), TRUE);
  signals_.emplace_back(window_, "close-request", G_CALLBACK(onCloseRequest), this);
  // Saved as it changes, not only at quit, so a session that is killed or
  // logged out keeps the size the user chose.
  for (const char* property :
       {"notify::default-width", "notify::default-height", "notify::maximized"})
    signals_.emplace_back(window_, property, G_CALLBACK(onFrameChanged), this, nullptr,
                          G_CONNECT_SWAPPED);

  overlay_ = gtk_overlay_new();
  gtk_window_set_child(GTK_WINDOW(window_), overlay_);
  makeBars();
  downloads_ = std::make_unique<GtkDownloadsView>(GTK_WINDOW(window_), GTK_OVERLAY(overlay_));
  if (hooks_.installActions)
    hooks_.installActions(GTK_APPLICATION_WINDOW(window_));
  g_debug("launch: window made");
}

GtkAppWindow::~GtkAppWindow() {
  downloads_.reset();
  saveTimer_.reset();
  for (const auto* css : {&overlayCss_, &barsCss_}) {
    if (*css)
      gtk_style_context_remove_provider_for_display(gtk_widget_get_display(window_),
                                                    GTK_STYLE_PROVIDER(css->get()));
  }
  noticeSignals_.clear();
  signals_.clear();
  // The application keeps a window until it is destroyed, not merely
  // released.
  gtk_window_destroy(GTK_WINDOW(window_));
}

gboolean GtkAppWindow::onCloseRequest(GtkWindow*, gpointer self) {
  static_cast<GtkAppWindow*>(self)->saveFrame();
  return FALSE;
}

void GtkAppWindow::onFrameChanged(gpointer self) {
  auto* window = static_cast<GtkAppWindow*>(self);
  window->saveTimer_ = SourceId(g_timeout_add(saveFrameDelayMs, onSaveFrameDue, self));
}

gboolean GtkAppWindow::onSaveFrameDue(gpointer self) {
  auto* window = static_cast<GtkAppWindow*>(self);
  window->saveTimer_.ran();
  window->saveFrame();
  return G_SOURCE_REMOVE;
}

void GtkAppWindow::saveFrame() {
  saveTimer_.reset();
  if (autosaveName_.empty())
    return;
  const bool maximized = gtk_window_is_maximized(GTK_WINDOW(window_));
  // GTK keeps the default size in step with the user's resizing, and it is
  // the unmaximised size, measured without the window's shadow: exactly
  // what the next start should open at.
  int width = 0, height = 0;
  gtk_window_get_default_size(GTK_WINDOW(window_), &width, &height);
  const KeyFileStore::Values frame{{"width", std::to_string(width)},
                                   {"height", std::to_string(height)},
                                   {"maximized", maximized ? "true" : "false"}};
  if (frame == savedFrame_)
    return;
  if (!store_.set(autosaveName_, frame)) {
    g_debug("could not save the window size");
    return;
  }
  savedFrame_ = frame;
}

void GtkAppWindow::showWindow() {
  gtk_window_present(GTK_WINDOW(window_));
  g_debug("launch: window shown");
}

bool GtkAppWindow::isVisible() const {
  // A minimised window stays "visible" to GTK; only its surface knows.
  if (!gtk_widget_get_visible(window_))
    return false;
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
  return !surface || !GDK_IS_TOPLEVEL(surface) ||
         (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) == 0;
}

void GtkAppWindow::setTitle(const std::string& title) {
  gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
}

// The toolbar becomes the window's header bar. A segmented item is a row
// of plain buttons: GTK buttons are momentary by nature, and they are never
// made insensitive, because the delegate's action tests whether there is
// anywhere to go. Flexible space is the header bar's own gap.
void GtkAppWindow::setToolbar(const ToolbarDescription& toolbar, ToolbarDelegate& delegate) {
  toolbarDelegate_ = &delegate;
  GtkWidget* header = gtk_header_bar_new();
  gtk_widget_set_name(header, toolbar.identifier.c_str());
  for (const std::string& identifier : delegate.toolbarDefaultItemIdentifiers()) {
    const auto item = delegate.itemForItemIdentifier(identifier, true);
    if (!item)
      continue;
    // Separated segments stand apart, as two buttons; joined ones share an
    // edge, which is GTK's "linked" style.
    GtkWidget* group = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, item->separated ? 4 : 0);
    if (!item->separated)
      gtk_widget_add_css_class(group, "linked");
    gtk_widget_set_name(group, item->identifier.c_str());
    gtk_accessible_update_property(GTK_ACCESSIBLE(group), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   item->label.c_str(), -1);
    for (size_t i = 0; i < item->segmentLabels.size(); ++i) {
      GtkWidget* button = gtk_button_new_with_label(item->segmentLabels[i].c_str());
      gtk_widget_set_focus_on_click(button, FALSE);
      // Named for what it does, not for its glyph.
      if (i < item->segmentToolTips.size()) {
        const char* name = item->segmentToolTips[i].c_str();
        gtk_widget_set_tooltip_text(button, name);
        gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, name,
                                       -1);
      }
      g_object_set_data(G_OBJECT(button), "velmora-segment", GINT_TO_POINTER(static_cast<int>(i)));
      signals_.emplace_back(button, "clicked", G_CALLBACK(onSegmentClicked), this);
      gtk_box_append(GTK_BOX(group), button);
    }
    gtk_header_bar_pack_start(GTK_HEADER_BAR(header), group);
  }
  gtk_window_set_titlebar(GTK_WINDOW(window_), header);

  // The mouse's back and forward buttons (8 and 9) step through the
  // history anywhere in the window, as they do in browsers. Caught before
  // the page sees them, so a page cannot swallow them.
  GtkEventController* buttons = gtk_event_controller_legacy_new();
  gtk_event_controller_set_propagation_phase(buttons, GTK_PHASE_CAPTURE);
  signals_.emplace_back(buttons, "event", G_CALLBACK(onPointerEvent), this);
  gtk_widget_add_controller(window_, buttons);
}

void GtkAppWindow::onSegmentClicked(GtkButton* button, gpointer self) {
  static_cast<GtkAppWindow*>(self)->toolbarDelegate_->backForward(
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "velmora-segment")));
}

gboolean GtkAppWindow::onPointerEvent(GtkEventControllerLegacy*, GdkEvent* event, gpointer self) {
  const GdkEventType type = gdk_event_get_event_type(event);
  if (type != GDK_BUTTON_PRESS && type != GDK_BUTTON_RELEASE)
    return FALSE;
  const guint button = gdk_button_event_get_button(event);
  if (button != 8 && button != 9)
    return FALSE;
  // Both halves of the click are taken, so the page never sees a release
  // without its press.
  if (type == GDK_BUTTON_PRESS)
    static_cast<GtkAppWindow*>(self)->toolbarDelegate_->backForward(button == 8 ? 0 : 1);
  return TRUE;
}

std::unique_ptr<WebView> GtkAppWindow::createWebView(const WebViewConfiguration& configuration,
                                                     WebViewDelegates delegates) {
  auto view = std::make_unique<GtkWebView>(session_, configuration, delegates);
  g_debug("launch: web view made");
  gtk_overlay_set_child(GTK_OVERLAY(overlay_), view->container());
  followFindBar(view->container());
  if (hooks_.webViewCreated)
    hooks_.webViewCreated(WEBKIT_WEB_VIEW(view->widget()));
  return view;
}

std::unique_ptr<View> GtkAppWindow::addOverlay(const OverlayDescription& overlay) {
  // One style sheet serves every overlay.
  if (!overlayCss_) {
    overlayCss_ = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(overlayCss_.get(), overlayStyle, -1);
    gtk_style_context_add_provider_for_display(gtk_widget_get_display(window_),
                                               GTK_STYLE_PROVIDER(overlayCss_.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }

  // The cover fills the overlay layer, so it follows the window's size. It
  // is an alert to screen readers, which announce its title and message
  // when it appears.
  GtkWidget* cover =
      GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "orientation", GTK_ORIENTATION_VERTICAL,
                              "accessible-role", GTK_ACCESSIBLE_ROLE_ALERT, nullptr));
  gtk_accessible_update_property(GTK_ACCESSIBLE(cover), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 overlay.title.c_str(), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 overlay.message.c_str(), -1);
  gtk_widget_add_css_class(cover, "velmora-error-overlay");
  gtk_widget_set_hexpand(cover, TRUE);
  gtk_widget_set_vexpand(cover, TRUE);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, overlayColumnSpacing);
  gtk_widget_set_halign(column, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(column, GTK_ALIGN_CENTER);
  gtk_widget_set_vexpand(column, TRUE);
  gtk_box_append(GTK_BOX(column), makeColumnLabel(overlay.title, "velmora-overlay-title"));
  gtk_box_append(GTK_BOX(column), makeColumnLabel(overlay.message, "velmora-overlay-message"));

  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, overlayButtonSpacing);
  gtk_widget_set_halign(row, GTK_ALIGN_CENTER);
  GtkWidget* defaultButton = nullptr;
  for (const Button& button : overlay.buttons) {
    GtkWidget* widget = gtk_button_new_with_label(button.title.c_str());
    g_signal_connect_data(
        widget, "clicked", G_CALLBACK(onOverlayButton), new std::function<void()>(button.action),
        [](gpointer data, GClosure*) { delete static_cast<std::function<void()>*>(data); },
        GConnectFlags(0));
    if (button.keyEquivalent == "\r" && !defaultButton) {
      gtk_widget_add_css_class(widget, "suggested-action");
      bindReturnKey(widget);
      defaultButton = widget;
    }
    gtk_box_append(GTK_BOX(row), widget);
  }
  gtk_box_append(GTK_BOX(column), row);
  if (overlay.footnote)
    gtk_box_append(GTK_BOX(column), makeColumnLabel(*overlay.footnote, "velmora-overlay-footnote"));
  gtk_box_append(GTK_BOX(cover), column);

  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), cover);
  // The covered page must not take typing meant for the overlay.
  if (GtkWidget* page = gtk_overlay_get_child(GTK_OVERLAY(overlay_))) {
    gtk_widget_set_can_focus(page, FALSE);
  }
  if (defaultButton)
    gtk_widget_grab_focus(defaultButton);
  return std::make_unique<OverlayView>(GTK_OVERLAY(overlay_), cover);
}

void GtkAppWindow::miniaturize() {
  gtk_window_minimize(GTK_WINDOW(window_));
}

std::optional<std::string> GtkAppWindow::savedValue(std::string_view key) const {
  if (autosaveName_.empty())
    return std::nullopt;
  return store_.get(autosaveName_, key);
}

void GtkAppWindow::saveValue(std::string_view key, const std::string& value) {
  if (!autosaveName_.empty())
    (void)store_.set(autosaveName_, key, value);
}

void GtkAppWindow::zoom() {
  if (gtk_window_is_maximized(GTK_WINDOW(window_))) {
    gtk_window_unmaximize(GTK_WINDOW(window_));
  } else {
    gtk_window_maximize(GTK_WINDOW(window_));
  }
}

} // namespace velmora::gtk
