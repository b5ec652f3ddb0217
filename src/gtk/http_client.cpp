#include "glib_owners/glib_ptr.hpp"
#include "gtk/services.hpp"

#include <libsoup/soup.h>

namespace velmora::gtk {
namespace {

// Read in pieces, so an answer that never ends is cut off at the request's
// limit instead of filling memory.
constexpr gsize chunkBytes = 64 * 1024;

struct PendingRequest {
  GObjectPtr<SoupSession> session;
  GObjectPtr<SoupMessage> message;
  GObjectPtr<GInputStream> body;
  std::size_t maxBodyBytes = 0;
  std::string received;
  std::function<void(HttpResponse)> completion;

  void finish(HttpResponse response) {
    if (body)
      g_input_stream_close_async(body.get(), G_PRIORITY_DEFAULT, nullptr, nullptr, nullptr);
    completion(std::move(response));
  }
  void fail(std::string description) {
    HttpResponse response;
    response.transportError = std::move(description);
    finish(std::move(response));
  }
  void tooLarge() {
    fail("the answer is larger than " + std::to_string(maxBodyBytes / (1024 * 1024)) + " MiB");
  }
};

void readNextChunk(std::unique_ptr<PendingRequest> pending);

void onChunkRead(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<PendingRequest> pending(static_cast<PendingRequest*>(data));
  GErrorPtr error;
  GBytesPtr chunk(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, out(error)));
  if (error)
    return pending->fail(error->message);
  gsize size = 0;
  const auto* bytes = static_cast<const char*>(g_bytes_get_data(chunk.get(), &size));
  if (size == 0) {
    HttpResponse response;
    response.status = static_cast<int>(soup_message_get_status(pending->message.get()));
    if (!pending->received.empty())
      response.body = std::move(pending->received);
    return pending->finish(std::move(response));
  }
  if (pending->received.size() + size > pending->maxBodyBytes)
    return pending->tooLarge();
  pending->received.append(bytes, size);
  readNextChunk(std::move(pending));
}

void readNextChunk(std::unique_ptr<PendingRequest> pending) {
  GInputStream* body = pending->body.get();
  g_input_stream_read_bytes_async(body, chunkBytes, G_PRIORITY_DEFAULT, nullptr, onChunkRead,
                                  pending.release());
}

void onSent(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<PendingRequest> pending(static_cast<PendingRequest*>(data));
  GErrorPtr error;
  pending->body = GObjectPtr<GInputStream>::adopt(
      soup_session_send_finish(SOUP_SESSION(source), result, out(error)));
  if (error)
    return pending->fail(error->message);
  // A declared length over the limit is refused before any of it is read.
  SoupMessageHeaders* headers = soup_message_get_response_headers(pending->message.get());
  if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH &&
      static_cast<std::size_t>(soup_message_headers_get_content_length(headers)) >
          pending->maxBodyBytes)
    return pending->tooLarge();
  readNextChunk(std::move(pending));
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
  pending->maxBodyBytes = request.maxBodyBytes;
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
  soup_session_send_async(session, message, G_PRIORITY_DEFAULT, nullptr, onSent, pending.release());
}

} // namespace velmora::gtk
