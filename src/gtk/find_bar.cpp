#include "gtk/find_bar.hpp"

namespace velmora::gtk {
namespace {

constexpr guint32 findOptions =
    WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

// Icon buttons have no text of their own: the tooltip and the accessible
// name say what they do.
GtkWidget* iconButton(const char* icon, const char* name) {
  GtkWidget* button = gtk_button_new_from_icon_name(icon);
  gtk_widget_set_tooltip_text(button, name);
  gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, name, -1);
  return button;
}

} // namespace

FindBar::FindBar(WebKitWebView* view)
    : view_(view), finder_(webkit_web_view_get_find_controller(view)) {
  entry_ = gtk_search_entry_new();
  g_object_set(entry_, "placeholder-text", "Find in page", nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(entry_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Find in page", -1);
  gtk_widget_set_size_request(entry_, 280, -1);
  GtkWidget* previous = iconButton("go-up-symbolic", "Previous match");
  GtkWidget* next = iconButton("go-down-symbolic", "Next match");
  // The search bar's own close button has no name for screen readers.
  GtkWidget* close = iconButton("window-close-symbolic", "Close find bar");
  gtk_widget_add_css_class(close, "flat");
  gtk_widget_set_margin_start(close, 6);
  status_ = gtk_label_new("");
  // Hidden while it has nothing to say, so that it is never read empty.
  gtk_widget_set_visible(status_, FALSE);
  gtk_widget_add_css_class(status_, "dim-label");
  gtk_widget_set_margin_start(status_, 6);
  // A screen reader reads the count along with the field.
  gtk_accessible_update_relation(GTK_ACCESSIBLE(entry_), GTK_ACCESSIBLE_RELATION_DESCRIBED_BY,
                                 status_, nullptr, -1);

  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  GtkWidget* linked = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_add_css_class(linked, "linked");
  gtk_box_append(GTK_BOX(linked), entry_);
  gtk_box_append(GTK_BOX(linked), previous);
  gtk_box_append(GTK_BOX(linked), next);
  gtk_box_append(GTK_BOX(row), linked);
  gtk_box_append(GTK_BOX(row), status_);
  gtk_box_append(GTK_BOX(row), close);

  bar_ = gtk_search_bar_new();
  gtk_search_bar_set_child(GTK_SEARCH_BAR(bar_), row);
  // The bar opens at once rather than sliding down: while it slides, the
  // field is not yet focusable and a key typed straight after Ctrl+F is
  // lost. The field is not made the search bar's own either, which would
  // focus it again once open and select what was typed meanwhile, and would
  // empty it on closing; Escape is handled here instead.
  // (Without any transition a revealer keeps the hidden bar's height.)
  if (GtkWidget* revealer = gtk_widget_get_first_child(bar_); GTK_IS_REVEALER(revealer))
    gtk_revealer_set_transition_duration(GTK_REVEALER(revealer), 0);

  // Shift+Return steps back. Caught before the field's own Return, which
  // would step forward.
  GtkEventController* keys = gtk_shortcut_controller_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  for (guint key : {GDK_KEY_Return, GDK_KEY_KP_Enter, GDK_KEY_ISO_Enter}) {
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(key, GDK_SHIFT_MASK),
                         gtk_callback_action_new(onShiftReturn, this, nullptr)));
  }
  gtk_widget_add_controller(entry_, keys);

  // Return ("activate"), Ctrl+G and Ctrl+Shift+G in the field, and the
  // buttons beside it.
  signals_.emplace_back(entry_, "search-changed", G_CALLBACK(onSearchChanged), this);
  signals_.emplace_back(entry_, "activate", G_CALLBACK(onForward), this);
  signals_.emplace_back(entry_, "next-match", G_CALLBACK(onForward), this);
  signals_.emplace_back(entry_, "previous-match", G_CALLBACK(onBackward), this);
  signals_.emplace_back(entry_, "stop-search", G_CALLBACK(onClose), this);
  signals_.emplace_back(previous, "clicked", G_CALLBACK(onBackward), this);
  signals_.emplace_back(next, "clicked", G_CALLBACK(onForward), this);
  signals_.emplace_back(close, "clicked", G_CALLBACK(onClose), this);
  signals_.emplace_back(bar_, "notify::search-mode-enabled", G_CALLBACK(onSearchMode), this);
  signals_.emplace_back(finder_, "found-text", G_CALLBACK(onFound), this);
  signals_.emplace_back(finder_, "failed-to-find-text", G_CALLBACK(onNotFound), this);
  signals_.emplace_back(finder_, "counted-matches", G_CALLBACK(onCounted), this);
}

void FindBar::perform(TextFinderAction action) {
  const bool shown = gtk_search_bar_get_search_mode(GTK_SEARCH_BAR(bar_));
  if (action == TextFinderAction::showFindInterface || !shown) {
    open();
    return;
  }
  step(action == TextFinderAction::nextMatch ? FindDirection::forward : FindDirection::backward);
}

// Opening again searches anew from the top for what the field still holds,
// selected so that typing replaces it.
void FindBar::open() {
  gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(bar_), TRUE);
  gtk_widget_grab_focus(entry_);
  gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
  search();
}

void FindBar::search() {
  text_ = gtk_editable_get_text(GTK_EDITABLE(entry_));
  current_ = 0;
  count_.reset();
  if (text_.empty()) {
    webkit_find_controller_search_finish(finder_);
  } else {
    // The search starts at the top of the page and selects the first match.
    webkit_find_controller_search(finder_, text_.c_str(), findOptions, maxFindMatches);
    webkit_find_controller_count_matches(finder_, text_.c_str(), findOptions, maxFindMatches);
  }
  showStatus();
}

void FindBar::step(FindDirection direction) {
  if (text_.empty())
    return;
  if (count_)
    current_ = steppedMatch(FindMatches{current_, *count_}, direction);
  if (direction == FindDirection::forward) {
    webkit_find_controller_search_next(finder_);
  } else {
    webkit_find_controller_search_previous(finder_);
  }
  showStatus();
}

void FindBar::showStatus() {
  const auto matches = count_ ? std::optional(FindMatches{current_, *count_}) : std::nullopt;
  const std::string status = findStatusText(!text_.empty(), matches);
  gtk_label_set_text(GTK_LABEL(status_), status.c_str());
  gtk_widget_set_visible(status_, !status.empty());
}

void FindBar::onSearchChanged(GtkSearchEntry*, gpointer self) {
  static_cast<FindBar*>(self)->search();
}

void FindBar::onForward(GtkWidget*, gpointer self) {
  static_cast<FindBar*>(self)->step(FindDirection::forward);
}

void FindBar::onBackward(GtkWidget*, gpointer self) {
  static_cast<FindBar*>(self)->step(FindDirection::backward);
}

void FindBar::onClose(GtkWidget*, gpointer self) {
  gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(static_cast<FindBar*>(self)->bar_), FALSE);
}

gboolean FindBar::onShiftReturn(GtkWidget*, GVariant*, gpointer self) {
  static_cast<FindBar*>(self)->step(FindDirection::backward);
  return TRUE;
}

// Closed by Escape or its close button: the highlight goes, and the page
// has the keyboard again.
void FindBar::onSearchMode(GObject*, GParamSpec*, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  if (gtk_search_bar_get_search_mode(GTK_SEARCH_BAR(bar->bar_)))
    return;
  webkit_find_controller_search_finish(bar->finder_);
  gtk_widget_grab_focus(GTK_WIDGET(bar->view_));
}

// The engine found a match: after a new search that is the first one.
void FindBar::onFound(WebKitFindController*, guint, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  if (bar->current_ == 0) {
    bar->current_ = 1;
    bar->showStatus();
  }
}

void FindBar::onNotFound(WebKitFindController*, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  bar->current_ = 0;
  bar->count_ = 0;
  bar->showStatus();
}

void FindBar::onCounted(WebKitFindController*, guint count, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  bar->count_ = count;
  if (count == 0)
    bar->current_ = 0;
  bar->showStatus();
}

} // namespace velmora::gtk
