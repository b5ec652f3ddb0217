// The find bar over the page: a search bar above the web view whose field
// searches the page as the user types, case-insensitively and wrapping
// around, through the engine's find controller. Return and Ctrl+G step to
// the next match, Shift+Return and Ctrl+Shift+G to the previous one, and
// Escape closes the bar, clears the highlight and gives the keyboard back
// to the page. What the bar says and which match it stands on are the
// core's decisions (gtk/find_in_page.hpp).
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "gtk/find_in_page.hpp"
#include "platform/web_view.hpp"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <optional>
#include <string>
#include <vector>

namespace velmora::gtk {

class FindBar {
public:
  explicit FindBar(WebKitWebView* view);
  FindBar(const FindBar&) = delete;
  FindBar& operator=(const FindBar&) = delete;

  // The bar, hidden until asked for; it belongs above the page.
  [[nodiscard]] GtkWidget* widget() const { return bar_; }
  void perform(TextFinderAction action);

private:
  static void onSearchChanged(GtkSearchEntry*, gpointer self);
  static void onForward(GtkWidget*, gpointer self);
  static void onBackward(GtkWidget*, gpointer self);
  static void onClose(GtkWidget*, gpointer self);
  static gboolean onShiftReturn(GtkWidget*, GVariant*, gpointer self);
  static void onSearchMode(GObject*, GParamSpec*, gpointer self);
  static void onFound(WebKitFindController*, guint, gpointer self);
  static void onNotFound(WebKitFindController*, gpointer self);
  static void onCounted(WebKitFindController*, guint count, gpointer self);

  void open();
  void search();
  void step(FindDirection direction);
  void showStatus();

  WebKitWebView* view_;
  WebKitFindController* finder_; // the view's own
  GtkWidget* bar_;               // owned by the widget tree once placed
  GtkWidget* entry_;
  GtkWidget* status_;
  std::string text_;
  // The match the engine selected last, counted along from the first.
  unsigned current_ = 0;
  // None while the matches of text_ are still being counted.
  std::optional<unsigned> count_;
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
