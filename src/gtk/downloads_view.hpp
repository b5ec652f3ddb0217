// The download note and the Downloads window in GTK: the note is a revealer
// sliding up over the bottom of the main window's overlay layer; the
// window is a small list beside the main one, hidden rather than destroyed
// when closed so that it opens again at once.
#pragma once

#include "platform/downloads_view.hpp"

#include <gtk/gtk.h>

namespace velmora::gtk {

class GtkDownloadsView final : public DownloadsView {
public:
  // Lays the note into `overlay`; the Downloads window is transient for
  // `parent`. Both outlive the view.
  GtkDownloadsView(GtkWindow* parent, GtkOverlay* overlay);
  ~GtkDownloadsView() override;
  GtkDownloadsView(const GtkDownloadsView&) = delete;
  GtkDownloadsView& operator=(const GtkDownloadsView&) = delete;

  void showNote(const DownloadNote& note) override;
  void hideNote() override;
  void setRows(std::vector<DownloadRow> rows) override;
  void showList() override;

private:
  void drawRows();

  GtkWindow* parent_;
  GtkWidget* revealer_ = nullptr; // owned by the overlay
  GtkWidget* noteLabel_ = nullptr;
  GtkWidget* noteButton_ = nullptr;
  GtkWidget* list_ = nullptr;   // made with the window, owned by it
  GtkWidget* window_ = nullptr; // ours; null until first opened
  std::vector<DownloadRow> rows_;
};

} // namespace velmora::gtk
