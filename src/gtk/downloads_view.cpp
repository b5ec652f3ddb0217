#include "gtk/downloads_view.hpp"

#include <functional>

namespace velmora::gtk {
namespace {

void onButton(GtkButton*, gpointer data) {
  // Copied first: the action may redraw the list and with it this button.
  auto action = *static_cast<std::function<void()>*>(data);
  if (action)
    action();
}

// Replaces whatever action the button carried.
void setAction(GtkWidget* button, const std::function<void()>& action) {
  g_signal_handlers_disconnect_matched(button, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                       reinterpret_cast<gpointer>(onButton), nullptr);
  g_signal_connect_data(
      button, "clicked", G_CALLBACK(onButton), new std::function<void()>(action),
      [](gpointer data, GClosure*) { delete static_cast<std::function<void()>*>(data); },
      GConnectFlags(0));
}

GtkWidget* label(const std::string& text, const char* cssClass) {
  GtkWidget* widget = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(widget), 0);
  gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_MIDDLE);
  if (cssClass)
    gtk_widget_add_css_class(widget, cssClass);
  return widget;
}

GtkWidget* rowWidget(const DownloadRow& row) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_widget_set_margin_start(box, 12);
  gtk_widget_set_margin_end(box, 12);
  gtk_widget_set_margin_top(box, 8);
  gtk_widget_set_margin_bottom(box, 8);
  GtkWidget* text = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_widget_set_hexpand(text, TRUE);
  gtk_box_append(GTK_BOX(text), label(row.name, "heading"));
  if (row.fraction) {
    GtkWidget* bar = gtk_progress_bar_new();
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), *row.fraction);
    gtk_box_append(GTK_BOX(text), bar);
  }
  gtk_box_append(GTK_BOX(text), label(row.status, "dim-label"));
  gtk_box_append(GTK_BOX(box), text);
  for (const DownloadButton& button : row.buttons) {
    GtkWidget* widget = gtk_button_new_with_label(button.title.c_str());
    gtk_widget_set_valign(widget, GTK_ALIGN_CENTER);
    setAction(widget, button.action);
    gtk_box_append(GTK_BOX(box), widget);
  }
  return box;
}

} // namespace

GtkDownloadsView::GtkDownloadsView(GtkWindow* parent, GtkOverlay* overlay) : parent_(parent) {
  // A status, so that screen readers announce the note without moving
  // the focus off the page; the role can only be given at construction.
  GtkWidget* note =
      GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "orientation", GTK_ORIENTATION_HORIZONTAL, "spacing",
                              12, "accessible-role", GTK_ACCESSIBLE_ROLE_STATUS, nullptr));
  // The toolkit's own style for in-window notifications.
  gtk_widget_add_css_class(note, "app-notification");
  noteLabel_ = gtk_label_new(nullptr);
  noteButton_ = gtk_button_new();
  gtk_box_append(GTK_BOX(note), noteLabel_);
  gtk_box_append(GTK_BOX(note), noteButton_);

  revealer_ = gtk_revealer_new();
  gtk_revealer_set_transition_type(GTK_REVEALER(revealer_), GTK_REVEALER_TRANSITION_TYPE_SLIDE_UP);
  gtk_revealer_set_child(GTK_REVEALER(revealer_), note);
  gtk_widget_set_halign(revealer_, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(revealer_, GTK_ALIGN_END);
  gtk_widget_set_margin_bottom(revealer_, 24);
  gtk_overlay_add_overlay(overlay, revealer_);
  // A hidden note must not take clicks meant for the page under it.
  gtk_widget_set_can_target(revealer_, FALSE);
}

GtkDownloadsView::~GtkDownloadsView() {
  if (window_)
    gtk_window_destroy(GTK_WINDOW(window_));
}

void GtkDownloadsView::showNote(const DownloadNote& note) {
  gtk_label_set_text(GTK_LABEL(noteLabel_), note.text.c_str());
  gtk_button_set_label(GTK_BUTTON(noteButton_), note.button.title.c_str());
  setAction(noteButton_, note.button.action);
  gtk_widget_set_can_target(revealer_, TRUE);
  gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), TRUE);
}

void GtkDownloadsView::hideNote() {
  gtk_widget_set_can_target(revealer_, FALSE);
  gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), FALSE);
}

void GtkDownloadsView::setRows(std::vector<DownloadRow> rows) {
  rows_ = std::move(rows);
  if (window_)
    drawRows();
}

void GtkDownloadsView::drawRows() {
  while (GtkWidget* child = gtk_widget_get_first_child(list_))
    gtk_list_box_remove(GTK_LIST_BOX(list_), child);
  if (rows_.empty()) {
    GtkWidget* empty = label("No downloads yet", "dim-label");
    gtk_widget_set_margin_top(empty, 24);
    gtk_widget_set_margin_bottom(empty, 24);
    gtk_widget_set_halign(empty, GTK_ALIGN_CENTER);
    gtk_list_box_append(GTK_LIST_BOX(list_), empty);
    return;
  }
  // Newest first: the download the user just started is the one looked for.
  for (auto row = rows_.rbegin(); row != rows_.rend(); ++row)
    gtk_list_box_append(GTK_LIST_BOX(list_), rowWidget(*row));
}

void GtkDownloadsView::showList() {
  if (!window_) {
    window_ = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window_), "Downloads");
    gtk_window_set_transient_for(GTK_WINDOW(window_), parent_);
    gtk_window_set_default_size(GTK_WINDOW(window_), 460, 360);
    gtk_window_set_hide_on_close(GTK_WINDOW(window_), TRUE);
    list_ = gtk_list_box_new();
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(list_), GTK_SELECTION_NONE);
    GtkWidget* scrolled = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), list_);
    gtk_window_set_child(GTK_WINDOW(window_), scrolled);
  }
  drawRows();
  gtk_window_present(GTK_WINDOW(window_));
}

} // namespace velmora::gtk
