#include "platform/gtk/glib_ptr.hpp"
#include "platform/gtk/services.hpp"

#include <libsoup/soup.h>

namespace velmora::gtk {
namespace {

struct PendingRequest {
  GObjectPtr<SoupSession> session;
  GObjectPtr<SoupMessage> message;
  std::function<void(HttpResponse)> completion;
};

void onBodyRead(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<PendingRequest> pending(static_cast<PendingRequest*>(data));
  GError* raw = nullptr;
  GBytesPtr bytes(soup_session_send_and_read_finish(SOUP_SESSION(source), result, &raw));
  GErrorPtr error(raw);
  HttpResponse response;
  if (error) {
    response.transportError = error->message;
  } else {
    response.status = static_cast<int>(soup_message_get_status(pending->message.get()));
    gsize size = 0;
    const auto* body = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
    if (size > 0)
      response.body = std::string(body, size);
  }
  pending->completion(std::move(response));
}

// libsoup would speak HTTP to any scheme's host and port (an ftp:// address
// included), so only http and https are sent at all.
bool isWebScheme(const Url& url) {
  std::string scheme = url.scheme().value_or("");
  for (char& c : scheme)
    c = g_ascii_tolower(c);
  return scheme == "http" || scheme == "https";
}

// Completes a request that was never sent, from the main loop as every
// completion is, never before `get` returns.
void failLater(std::function<void(HttpResponse)> completion, std::string description) {
  HttpResponse response;
  response.transportError = std::move(description);
  auto* task =
      new std::function<void()>([completion = std::move(completion),
                                 response = std::move(response)] { completion(response); });
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      task, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

} // namespace

void SoupHttpClient::get(const HttpRequest& request, std::function<void(HttpResponse)> completion) {
  auto pending = std::make_unique<PendingRequest>();
  pending->completion = std::move(completion);
  if (isWebScheme(request.url))
    pending->message = GObjectPtr<SoupMessage>::adopt(
        soup_message_new(SOUP_METHOD_GET, request.url.absoluteString().c_str()));
  if (!pending->message) {
    failLater(std::move(pending->completion), "unsupported URL");
    return;
  }
  SoupMessageHeaders* headers = soup_message_get_request_headers(pending->message.get());
  for (const auto& [name, value] : request.headers)
    soup_message_headers_replace(headers, name.c_str(), value.c_str());
  pending->session = GObjectPtr<SoupSession>::adopt(soup_session_new_with_options(
      "timeout", static_cast<guint>(request.timeout.count()), "idle-timeout", 1u, nullptr));
  SoupSession* session = pending->session.get();
  SoupMessage* message = pending->message.get();
  soup_session_send_and_read_async(session, message, G_PRIORITY_DEFAULT, nullptr, onBodyRead,
                                   pending.release());
}

} // namespace velmora::gtk
