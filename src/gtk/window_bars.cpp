// The strip along the top of the page: a thin load progress bar, and under
// it the notice bar (a hung page's countdown, the note after a reload).
// Both lie in the overlay layer over the page, under any error screen,
// which is laid later and so above them.
#include "gtk/window.hpp"

namespace velmora::gtk {
namespace {

constexpr const char* barsStyle =
    "progressbar.velmora-load-progress trough,"
    "progressbar.velmora-load-progress progress { min-height: 3px; border-radius: 0; }\n"
    "progressbar.velmora-load-progress trough { background: transparent; border: none; }\n"
    "progressbar.velmora-load-progress progress { background: #3584e4; border: none; }\n"
    ".velmora-notice { background: #fdf1c7; color: #2e2a1f; padding: 6px 10px;"
    " border-bottom: 1px solid #d9c690; }\n";

} // namespace

void GtkAppWindow::makeBars() {
  barsCss_ = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
  gtk_css_provider_load_from_data(barsCss_.get(), barsStyle, -1);
  gtk_style_context_add_provider_for_display(gtk_widget_get_display(window_),
                                             GTK_STYLE_PROVIDER(barsCss_.get()),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  GtkWidget* strip = strip_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_valign(strip, GTK_ALIGN_START);
  gtk_widget_set_hexpand(strip, TRUE);

  // Only drawn over the page: clicks go through it to the page below.
  progressBar_ = gtk_progress_bar_new();
  gtk_widget_add_css_class(progressBar_, "velmora-load-progress");
  gtk_widget_set_can_target(progressBar_, FALSE);
  gtk_widget_set_visible(progressBar_, FALSE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(progressBar_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Loading", -1);
  gtk_box_append(GTK_BOX(strip), progressBar_);

  // A status, not an alert: screen readers read it when asked, and its
  // countdown does not interrupt them every second.
  noticeBar_ =
      GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "orientation", GTK_ORIENTATION_HORIZONTAL, "spacing",
                              10, "accessible-role", GTK_ACCESSIBLE_ROLE_STATUS, nullptr));
  gtk_widget_add_css_class(noticeBar_, "velmora-notice");
  gtk_widget_set_visible(noticeBar_, FALSE);
  noticeLabel_ = gtk_label_new("");
  gtk_label_set_wrap(GTK_LABEL(noticeLabel_), TRUE);
  gtk_label_set_xalign(GTK_LABEL(noticeLabel_), 0);
  gtk_widget_set_hexpand(noticeLabel_, TRUE);
  gtk_box_append(GTK_BOX(noticeBar_), noticeLabel_);
  noticeButtons_ = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_widget_set_valign(noticeButtons_, GTK_ALIGN_CENTER);
  gtk_box_append(GTK_BOX(noticeBar_), noticeButtons_);
  gtk_box_append(GTK_BOX(strip), noticeBar_);

  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), strip);
}

void GtkAppWindow::followFindBar(GtkWidget* container) {
  GtkWidget* bar = gtk_widget_get_first_child(container);
  if (GTK_IS_SEARCH_BAR(bar))
    signals_.emplace_back(bar, "notify::search-mode-enabled", G_CALLBACK(onFindBarToggled), this);
}

void GtkAppWindow::onFindBarToggled(GObject* bar, GParamSpec*, gpointer self) {
  // The bar reveals its row only after saying it opened: it is measured on
  // the next frame. The callback goes with the strip, so it never outlives it.
  gtk_widget_add_tick_callback(
      static_cast<GtkAppWindow*>(self)->strip_,
      [](GtkWidget* strip, GdkFrameClock*, gpointer data) -> gboolean {
        auto* search = GTK_SEARCH_BAR(data);
        int height = 0;
        if (gtk_search_bar_get_search_mode(search))
          gtk_widget_measure(GTK_WIDGET(search), GTK_ORIENTATION_VERTICAL, -1, nullptr, &height,
                             nullptr, nullptr);
        gtk_widget_set_margin_top(strip, height);
        return G_SOURCE_REMOVE;
      },
      g_object_ref(bar), g_object_unref);
}

void GtkAppWindow::showLoadProgress(std::optional<double> fraction) {
  if (fraction)
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progressBar_), *fraction);
  gtk_widget_set_visible(progressBar_, fraction.has_value());
}

void GtkAppWindow::showNotice(const std::optional<NoticeDescription>& notice) {
  if (!notice) {
    gtk_widget_set_visible(noticeBar_, FALSE);
    return;
  }
  gtk_label_set_text(GTK_LABEL(noticeLabel_), notice->text.c_str());
  gtk_accessible_update_property(GTK_ACCESSIBLE(noticeBar_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 notice->text.c_str(), -1);
  noticeActions_.clear();
  std::vector<std::string> titles;
  for (const Button& button : notice->buttons) {
    titles.push_back(button.title);
    noticeActions_.push_back(button.action);
  }
  // A countdown changes only its text each second; its buttons stay, so a
  // pointer on one of them is not disturbed.
  if (titles != noticeButtonTitles_) {
    noticeSignals_.clear();
    while (GtkWidget* child = gtk_widget_get_first_child(noticeButtons_))
      gtk_box_remove(GTK_BOX(noticeButtons_), child);
    for (std::size_t i = 0; i < titles.size(); ++i) {
      GtkWidget* widget = gtk_button_new_with_label(titles[i].c_str());
      g_object_set_data(G_OBJECT(widget), "velmora-notice-button",
                        GINT_TO_POINTER(static_cast<int>(i)));
      noticeSignals_.emplace_back(widget, "clicked", G_CALLBACK(onNoticeButton), this);
      gtk_box_append(GTK_BOX(noticeButtons_), widget);
    }
    noticeButtonTitles_ = std::move(titles);
  }
  gtk_widget_set_visible(noticeBar_, TRUE);
}

void GtkAppWindow::onNoticeButton(GtkButton* button, gpointer self) {
  auto* window = static_cast<GtkAppWindow*>(self);
  const auto index = static_cast<std::size_t>(
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "velmora-notice-button")));
  // Copied first: the action may replace the notice and with it the actions.
  if (index >= window->noticeActions_.size())
    return;
  auto action = window->noticeActions_[index];
  if (action)
    action();
}

} // namespace velmora::gtk
