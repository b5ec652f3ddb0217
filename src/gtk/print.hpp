// Printing the page on show through the toolkit's print dialog. The dialog
// is GTK's own, shown without a nested main loop; once the user presses
// Print, the engine prints the page with the settings chosen there. Those
// settings (printer, paper, output file) are kept for the rest of the run,
// so the next print starts where the last one ended.
#pragma once

#include "glib_owners/glib_ptr.hpp"

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>
#include <webkit/webkit.h>

namespace velmora::gtk {

class PagePrinter {
public:
  PagePrinter() = default;
  ~PagePrinter();
  PagePrinter(const PagePrinter&) = delete;
  PagePrinter& operator=(const PagePrinter&) = delete;

  // Opens the dialog for the view's page, modal to the window that holds
  // it. While one is open, another request only brings it forward: a page
  // calling window.print() in a loop never stacks dialogs.
  void print(WebKitWebView* view);

private:
  static void onResponse(GtkDialog* dialog, int response, gpointer self);

  GObjectPtr<GtkPrintSettings> settings_;
  GObjectPtr<GtkPageSetup> pageSetup_;
  GtkWidget* dialog_ = nullptr; // weak: cleared when it is destroyed
  GObjectPtr<WebKitWebView> view_;
  ScopedSignal response_;
};

} // namespace velmora::gtk
