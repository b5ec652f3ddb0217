// The engine's side of the last copies: saving the page on show as one
// archive, serving kept archives under the application's own scheme, and
// keeping a copy on show read only. The page guard in each web process
// lets a copy ask only for the parts its archive holds, so nothing a copy
// shows can reach the network; scripts are off while a copy is on show, so
// nothing in it runs.
#include "gtk/last_copy_store.hpp"
#include "gtk/web_view.hpp"
#include "navigation/last_copy.hpp"

namespace velmora::gtk {
namespace {

// One save under way.
struct ArchiveSave {
  std::function<void(std::optional<std::string>)> done;
  gint64 started = 0;
  std::string uri;
  GObjectPtr<GCancellable> cancellable;
};

void onSpliced(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ArchiveSave> save(static_cast<ArchiveSave*>(data));
  GErrorPtr error;
  const gssize length = g_output_stream_splice_finish(G_OUTPUT_STREAM(source), result, out(error));
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
    return;
  if (length < 0) {
    g_debug("a page was not saved as a last copy: %s", error->message);
    save->done(std::nullopt);
    return;
  }
  GBytesPtr bytes(g_memory_output_stream_steal_as_bytes(G_MEMORY_OUTPUT_STREAM(source)));
  gsize size = 0;
  const auto* text = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  g_debug("last copy saved: %s, %zu bytes in %.1f ms", save->uri.c_str(), static_cast<size_t>(size),
          static_cast<double>(g_get_monotonic_time() - save->started) / 1000.0);
  save->done(std::string(text ? text : "", size));
}

void onSaved(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ArchiveSave> save(static_cast<ArchiveSave*>(data));
  GErrorPtr error;
  auto stream = GObjectPtr<GInputStream>::adopt(
      webkit_web_view_save_finish(WEBKIT_WEB_VIEW(source), result, out(error)));
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
    return;
  if (!stream) {
    g_debug("a page was not saved as a last copy: %s", error ? error->message : "no archive");
    save->done(std::nullopt);
    return;
  }
  // Read on GIO's own terms, so a big archive never holds the main thread.
  const auto memory = GObjectPtr<GOutputStream>::adopt(g_memory_output_stream_new_resizable());
  GCancellable* cancellable = save->cancellable.get();
  // The splice holds the stream until it ends.
  g_output_stream_splice_async(
      memory.get(), stream.get(),
      static_cast<GOutputStreamSpliceFlags>(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                            G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
      G_PRIORITY_LOW, cancellable, onSpliced, save.release());
}

GVariant* stringArray(const std::vector<std::string>& strings) {
  std::vector<const char*> pointers;
  for (const std::string& text : strings)
    pointers.push_back(text.c_str());
  return g_variant_new_strv(pointers.data(), static_cast<gssize>(pointers.size()));
}

void refuse(WebKitURISchemeRequest* request, const char* message) {
  GErrorPtr error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, message));
  webkit_uri_scheme_request_finish_error(request, error.get());
}

// Serves a kept archive. The page guards hear first which parts it holds:
// those are the only requests the copy may make, each answered from the
// archive itself by the engine.
void onCopyRequest(WebKitURISchemeRequest* request, gpointer context) {
  const auto path = pathOfCopyAddress(urlOf(webkit_uri_scheme_request_get_uri(request)));
  if (!path)
    return refuse(request, "Not a last copy");
  GCharPtr contents;
  gsize length = 0;
  const auto file = lastCopyFolder() / copyFileName(*path);
  if (!g_file_get_contents(file.c_str(), out(contents), &length, nullptr))
    return refuse(request, "No last copy of this page is kept");
  const std::string_view archive(contents.get(), length);
  if (!looksLikeArchive(archive))
    return refuse(request, "The last copy of this page is damaged");
  webkit_web_context_send_message_to_all_extensions(
      WEBKIT_WEB_CONTEXT(context),
      webkit_user_message_new("velmora-copy-parts", stringArray(archiveLocations(archive))));
  GBytesPtr bytes(g_bytes_new_take(contents.release(), length));
  auto stream = GObjectPtr<GInputStream>::adopt(g_memory_input_stream_new_from_bytes(bytes.get()));
  webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(length),
                                   "multipart/related");
}

} // namespace

void serveLastCopies(WebKitWebContext* context) {
  const std::string scheme(lastCopyScheme);
  webkit_web_context_register_uri_scheme(context, scheme.c_str(), onCopyRequest, context, nullptr);
  // An archive loads only from a scheme the engine counts as local; no page
  // of the web may then load one.
  webkit_security_manager_register_uri_scheme_as_local(
      webkit_web_context_get_security_manager(context), scheme.c_str());
}

void GtkWebView::saveArchive(std::function<void(std::optional<std::string>)> done) {
  auto* save = new ArchiveSave{std::move(done), g_get_monotonic_time(),
                               stringOf(webkit_web_view_get_uri(view_)).value_or(""),
                               GObjectPtr<GCancellable>::retain(copyCancellable_.get())};
  webkit_web_view_save(view_, WEBKIT_SAVE_MODE_MHTML, copyCancellable_.get(), onSaved, save);
}

std::optional<std::string> GtkWebView::pageResponseHeader(const std::string& name) const {
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view_);
  WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
  SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
  if (!headers)
    return std::nullopt;
  return stringOf(soup_message_headers_get_list(headers, name.c_str()));
}

void GtkWebView::allowScriptsFor(const std::string& uri) {
  const bool copy = isCopyAddress(urlOf(uri.c_str()));
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  if (webkit_settings_get_enable_javascript(settings) == copy)
    webkit_settings_set_enable_javascript(settings, !copy);
}

} // namespace velmora::gtk
