// libsoup plumbing behind Exchange: reading requests, writing answers,
// deferring and dropping them.
#include "exchange.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace velmora::sample {
namespace {

std::optional<std::string> lookup(GHashTable* table, std::string_view key) {
  if (table == nullptr) {
    return std::nullopt;
  }
  const std::string name(key);
  const auto* value = static_cast<const char*>(g_hash_table_lookup(table, name.c_str()));
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::string(value);
}

// A deferred answer. It owns its own Exchange (and so a reference to the
// message) until the timer has fired and the source is destroyed.
struct DeferredAnswer {
  Exchange exchange;
  std::function<void(Exchange&)> answer;
  // Asked each time the timer fires; the answer waits while it gives false.
  std::function<bool()> ready;
  SoupServerMessage* message = nullptr;
  ScopedSignal disconnected;
  bool clientGone = false;
};

void onClientGone(DeferredAnswer* deferred) {
  deferred->clientGone = true;
}

gboolean onDeferredTimer(gpointer data) {
  auto* deferred = static_cast<DeferredAnswer*>(data);
  if (!deferred->clientGone) {
    if (deferred->ready && !deferred->ready())
      return G_SOURCE_CONTINUE;
    deferred->answer(deferred->exchange);
    soup_server_message_unpause(deferred->message);
  }
  return G_SOURCE_REMOVE;
}

void destroyDeferred(gpointer data) {
  auto* deferred = static_cast<DeferredAnswer*>(data);
  delete deferred;
}

// A body sent a chunk at a time. It holds the message until the timer is
// done; the message's own signals say when to stop early.
struct SlowBody {
  GObjectPtr<SoupServerMessage> message;
  std::string body;
  std::size_t chunkBytes = 0;
  std::size_t sent = 0;
  bool clientGone = false;
  ScopedSignal disconnected;
};

void onSlowClientGone(SlowBody* slow) {
  slow->clientGone = true;
}

gboolean onSlowChunkDue(gpointer data) {
  auto* slow = static_cast<SlowBody*>(data);
  if (slow->clientGone) {
    return G_SOURCE_REMOVE;
  }
  SoupMessageBody* out = soup_server_message_get_response_body(slow->message.get());
  const auto size = std::min(slow->chunkBytes, slow->body.size() - slow->sent);
  soup_message_body_append(out, SOUP_MEMORY_COPY, slow->body.data() + slow->sent, size);
  slow->sent += size;
  const bool last = slow->sent == slow->body.size();
  if (last) {
    soup_message_body_complete(out);
  }
  // libsoup pauses the message again by itself once the chunk is written.
  soup_server_message_unpause(slow->message.get());
  return last ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void destroySlowBody(gpointer data) {
  auto* slow = static_cast<SlowBody*>(data);
  delete slow;
}

// A raw answer written on a connection taken from the server, then closed.
struct BrokenAnswer {
  GObjectPtr<GIOStream> stream;
  std::string bytes;
};

void onBrokenAnswerWritten(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<BrokenAnswer> answer(static_cast<BrokenAnswer*>(data));
  g_output_stream_write_all_finish(G_OUTPUT_STREAM(source), result, nullptr, nullptr);
  g_io_stream_close(answer->stream.get(), nullptr, nullptr);
}

} // namespace

Exchange::Exchange(SoupServerMessage* message, std::string path, GHashTable* query)
    : message_(GObjectPtr<SoupServerMessage>::retain(message)),
      method_(soup_server_message_get_method(message)), path_(std::move(path)),
      query_(query != nullptr ? g_hash_table_ref(query) : nullptr) {}

std::optional<std::string> Exchange::queryValue(std::string_view key) const {
  return lookup(query_.get(), key);
}

std::vector<std::string> Exchange::queryKeys() const {
  std::vector<std::string> keys;
  if (query_) {
    GHashTableIter it;
    gpointer key = nullptr;
    g_hash_table_iter_init(&it, query_.get());
    while (g_hash_table_iter_next(&it, &key, nullptr)) {
      keys.emplace_back(static_cast<const char*>(key));
    }
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

std::string Exchange::header(const char* name) const {
  const char* value =
      soup_message_headers_get_one(soup_server_message_get_request_headers(message_.get()), name);
  return value != nullptr ? std::string(value) : std::string();
}

std::optional<std::string> Exchange::formValue(std::string_view key) const {
  SoupMessageBody* body = soup_server_message_get_request_body(message_.get());
  const GBytesPtr bytes(soup_message_body_flatten(body));
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  // soup_form_decode wants a terminated string; the body may not be one.
  const std::string text(data != nullptr ? data : "", data != nullptr ? size : 0);
  const GHashTablePtr form(soup_form_decode(text.c_str()));
  return lookup(form.get(), key);
}

void Exchange::respond(int status, std::string_view contentType, std::string_view body) {
  const std::string type(contentType);
  soup_server_message_set_status(message_.get(), static_cast<guint>(status), nullptr);
  soup_server_message_set_response(message_.get(), type.c_str(), SOUP_MEMORY_COPY, body.data(),
                                   body.size());
}

void Exchange::redirect(int status, std::string_view location) {
  addHeader("Location", location);
  respond(status, "text/html; charset=utf-8", "<!DOCTYPE html><title>Moved</title><p>Moved.</p>\n");
}

void Exchange::addHeader(const char* name, std::string_view value) {
  const std::string text(value);
  soup_message_headers_append(soup_server_message_get_response_headers(message_.get()), name,
                              text.c_str());
}

void Exchange::dropConnection() {
  // Stealing takes the connection away from the server before anything has
  // been written; closing it then gives the client a bare end of stream.
  GIOStream* stream = soup_server_message_steal_connection(message_.get());
  if (stream != nullptr) {
    g_io_stream_close(stream, nullptr, nullptr);
    g_object_unref(stream);
  }
}

void Exchange::respondSlowly(int status, std::string_view contentType, std::string body,
                             std::size_t chunkBytes, std::chrono::milliseconds interval,
                             bool declareLength) {
  const std::string type(contentType);
  soup_server_message_set_status(message_.get(), static_cast<guint>(status), nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message_.get());
  soup_message_headers_set_content_type(headers, type.c_str(), nullptr);
  if (declareLength) {
    soup_message_headers_set_content_length(headers, static_cast<goffset>(body.size()));
  } else {
    soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
  }
  if (body.empty() || chunkBytes == 0) {
    soup_message_body_complete(soup_server_message_get_response_body(message_.get()));
    soup_server_message_set_response(message_.get(), type.c_str(), SOUP_MEMORY_COPY, body.data(),
                                     body.size());
    return;
  }
  auto* slow = new SlowBody{GObjectPtr<SoupServerMessage>::retain(message_.get()),
                            std::move(body),
                            chunkBytes,
                            0,
                            false,
                            {}};
  slow->disconnected = ScopedSignal(message_.get(), "disconnected", G_CALLBACK(onSlowClientGone),
                                    slow, nullptr, G_CONNECT_SWAPPED);
  soup_server_message_pause(message_.get());
  const auto millis = std::clamp<std::chrono::milliseconds::rep>(interval.count(), 1,
                                                                 std::numeric_limits<guint>::max());
  g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(millis), onSlowChunkDue, slow,
                     destroySlowBody);
}

void Exchange::breakOff(int status, std::string_view contentType, std::size_t declaredLength,
                        std::string partialBody) {
  writeRawAndClose(status, contentType,
                   "Content-Length: " + std::to_string(declaredLength) + "\r\n",
                   std::move(partialBody));
}

void Exchange::breakOffChunked(int status, std::string_view contentType, const std::string& body,
                               std::size_t sentBytes) {
  constexpr std::size_t chunkBytes = 16 * 1024;
  std::string framed;
  for (std::size_t at = 0; at < body.size() && at < sentBytes; at += chunkBytes) {
    const std::size_t size = std::min(chunkBytes, body.size() - at);
    char sizeLine[32];
    g_snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", size);
    framed += sizeLine;
    const std::size_t sent = std::min(size, sentBytes - at);
    framed.append(body, at, sent);
    if (sent < size) {
      break;
    }
    framed += "\r\n";
  }
  writeRawAndClose(status, contentType, "Transfer-Encoding: chunked\r\n", std::move(framed));
}

void Exchange::respondUntilClose(int status, std::string_view contentType, std::string body) {
  writeRawAndClose(status, contentType, "", std::move(body));
}

void Exchange::writeRawAndClose(int status, std::string_view contentType,
                                const std::string& framing, std::string body) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " +
                     soup_status_get_phrase(static_cast<guint>(status)) + "\r\n";
  SoupMessageHeadersIter it;
  soup_message_headers_iter_init(&it, soup_server_message_get_response_headers(message_.get()));
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&it, &name, &value)) {
    head += std::string(name) + ": " + value + "\r\n";
  }
  head += "Content-Type: " + std::string(contentType) + "\r\n";
  head += framing;
  head += "Connection: close\r\n\r\n";

  GIOStream* stream = soup_server_message_steal_connection(message_.get());
  if (stream == nullptr) {
    return;
  }
  auto* answer = new BrokenAnswer{GObjectPtr<GIOStream>::adopt(stream), head + body};
  g_output_stream_write_all_async(g_io_stream_get_output_stream(stream), answer->bytes.data(),
                                  answer->bytes.size(), G_PRIORITY_DEFAULT, nullptr,
                                  onBrokenAnswerWritten, answer);
}

void Exchange::answerLater(std::chrono::milliseconds delay, std::function<void(Exchange&)> answer) {
  defer(delay, nullptr, std::move(answer));
}

void Exchange::answerWhen(std::function<bool()> ready, std::function<void(Exchange&)> answer) {
  defer(std::chrono::milliseconds(10), std::move(ready), std::move(answer));
}

void Exchange::defer(std::chrono::milliseconds interval, std::function<bool()> ready,
                     std::function<void(Exchange&)> answer) {
  auto* deferred = new DeferredAnswer{Exchange(message_.get(), path_, query_.get()),
                                      std::move(answer),
                                      std::move(ready),
                                      message_.get(),
                                      {},
                                      false};
  soup_server_message_pause(deferred->message);
  deferred->disconnected = ScopedSignal(deferred->message, "disconnected", G_CALLBACK(onClientGone),
                                        deferred, nullptr, G_CONNECT_SWAPPED);
  const auto millis = std::clamp<std::chrono::milliseconds::rep>(interval.count(), 0,
                                                                 std::numeric_limits<guint>::max());
  g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(millis), onDeferredTimer, deferred,
                     destroyDeferred);
}

} // namespace velmora::sample
