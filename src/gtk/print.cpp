#include "gtk/print.hpp"

#include "gtk/private_files.hpp"
#include "window/print_file.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::gtk {
namespace {

void onPrintFailed(WebKitPrintOperation*, GError* error, gpointer) {
  g_debug("printing failed: %s", error ? error->message : "unknown error");
}

// GTK's file printer makes its PDF under the process's private mask; the
// PDF is the user's own file. One printed over keeps the mode it had.
void givePrintedFileToUser(WebKitPrintOperation* operation, GtkPrintSettings* settings,
                           GtkPrinter* printer) {
  const char* uri = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
  if (!printer || !gtk_printer_is_virtual(printer) || !uri)
    return;
  GCharPtr path(g_filename_from_uri(uri, nullptr, nullptr));
  if (!path || g_file_test(path.get(), G_FILE_TEST_EXISTS))
    return;
  g_signal_connect_data(
      operation, "finished", G_CALLBACK(+[](WebKitPrintOperation*, gpointer file) {
        giveToUser(*static_cast<std::string*>(file));
      }),
      new std::string(path.get()),
      [](gpointer file, GClosure*) { delete static_cast<std::string*>(file); }, GConnectFlags(0));
}

// A folder the user has, or none.
std::optional<std::filesystem::path> existingFolder(const char* path) {
  if (!path || !*path || !g_file_test(path, G_FILE_TEST_IS_DIR))
    return std::nullopt;
  return std::filesystem::path(path);
}

// The folder of the file printed to last, while it is still there.
std::optional<std::filesystem::path> lastFolder(GtkPrintSettings* settings) {
  const char* uri = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
  GCharPtr path(uri ? g_filename_from_uri(uri, nullptr, nullptr) : nullptr);
  if (!path)
    return std::nullopt;
  return existingFolder(std::filesystem::path(path.get()).parent_path().c_str());
}

// Print to File suggests the page's title as the name, in the folder the
// user printed to last or else in Documents; the toolkit's own suggestion
// is "output.pdf" in whatever folder Velmora was started from.
void suggestOutputFile(GtkPrintSettings* settings, WebKitWebView* view) {
  std::optional<std::filesystem::path> folder = lastFolder(settings);
  if (!folder) {
    const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    folder = printFileFolder(existingFolder(g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)),
                             existingFolder(downloads), existingFolder(g_get_home_dir()));
  }
  if (!folder)
    return;
  const char* title = webkit_web_view_get_title(view);
  std::string name = printFileName(title ? title : "");
  // A PostScript file chosen last time stays PostScript.
  const char* format = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT);
  if (format && g_str_equal(format, "ps"))
    name.replace(name.size() - 4, 4, ".ps");
  else
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  GCharPtr uri(g_filename_to_uri((*folder / name).c_str(), nullptr, nullptr));
  if (uri)
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
}

} // namespace

PagePrinter::~PagePrinter() {
  // A dialog still open prints nothing once its page is gone.
  response_ = ScopedSignal();
  if (dialog_) {
    g_object_remove_weak_pointer(G_OBJECT(dialog_), reinterpret_cast<gpointer*>(&dialog_));
    gtk_window_destroy(GTK_WINDOW(dialog_));
  }
}

void PagePrinter::print(WebKitWebView* view) {
  if (dialog_) {
    gtk_window_present(GTK_WINDOW(dialog_));
    return;
  }
  GtkWindow* parent = GTK_WINDOW(gtk_widget_get_root(GTK_WIDGET(view)));
  dialog_ = gtk_print_unix_dialog_new(nullptr, parent);
  g_object_add_weak_pointer(G_OBJECT(dialog_), reinterpret_cast<gpointer*>(&dialog_));
  GtkPrintUnixDialog* dialog = GTK_PRINT_UNIX_DIALOG(dialog_);
  // What the engine lays out itself, as its own dialog offers it.
  gtk_print_unix_dialog_set_manual_capabilities(
      dialog,
      GtkPrintCapabilities(GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT |
                           GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_REVERSE |
                           GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
                           GTK_PRINT_CAPABILITY_SCALE));
  gtk_print_unix_dialog_set_embed_page_setup(dialog, TRUE);
  if (!settings_)
    settings_ = GObjectPtr<GtkPrintSettings>::adopt(gtk_print_settings_new());
  suggestOutputFile(settings_.get(), view);
  gtk_print_unix_dialog_set_settings(dialog, settings_.get());
  if (pageSetup_)
    gtk_print_unix_dialog_set_page_setup(dialog, pageSetup_.get());
  gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
  view_ = GObjectPtr<WebKitWebView>::retain(view);
  response_ = ScopedSignal(dialog_, "response", G_CALLBACK(onResponse), this);
  gtk_window_present(GTK_WINDOW(dialog_));
}

void PagePrinter::onResponse(GtkDialog* dialog, int response, gpointer self) {
  auto* printer = static_cast<PagePrinter*>(self);
  const auto view = std::exchange(printer->view_, {});
  if (response == GTK_RESPONSE_OK) {
    GtkPrintUnixDialog* chosen = GTK_PRINT_UNIX_DIALOG(dialog);
    printer->settings_ =
        GObjectPtr<GtkPrintSettings>::adopt(gtk_print_unix_dialog_get_settings(chosen));
    // The settings name the printer, so the engine prints on the one chosen.
    GtkPrinter* selected = gtk_print_unix_dialog_get_selected_printer(chosen);
    if (selected)
      gtk_print_settings_set_printer(printer->settings_.get(), gtk_printer_get_name(selected));
    printer->pageSetup_ =
        GObjectPtr<GtkPageSetup>::retain(gtk_print_unix_dialog_get_page_setup(chosen));
    WebKitPrintOperation* operation = webkit_print_operation_new(view.get());
    webkit_print_operation_set_print_settings(operation, printer->settings_.get());
    webkit_print_operation_set_page_setup(operation, printer->pageSetup_.get());
    g_signal_connect(operation, "failed", G_CALLBACK(onPrintFailed), nullptr);
    givePrintedFileToUser(operation, printer->settings_.get(), selected);
    // The operation holds itself until the engine has finished with it.
    g_signal_connect(operation, "finished", G_CALLBACK(g_object_unref), nullptr);
    webkit_print_operation_print(operation);
  }
  printer->response_ = ScopedSignal();
  gtk_window_destroy(GTK_WINDOW(dialog));
}

} // namespace velmora::gtk
