// libsoup plumbing behind Exchange: reading requests, writing answers,
// deferring and dropping them.
#include "exchange.hpp"

#include <algorithm>
#include <limits>
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
  SoupServerMessage* message = nullptr;
  gulong disconnectHandler = 0;
  bool clientGone = false;
};

void onClientGone(DeferredAnswer* deferred) {
  deferred->clientGone = true;
}

gboolean onDeferredTimer(gpointer data) {
  auto* deferred = static_cast<DeferredAnswer*>(data);
  if (!deferred->clientGone) {
    deferred->answer(deferred->exchange);
    soup_server_message_unpause(deferred->message);
  }
  return G_SOURCE_REMOVE;
}

void destroyDeferred(gpointer data) {
  auto* deferred = static_cast<DeferredAnswer*>(data);
  g_signal_handler_disconnect(deferred->message, deferred->disconnectHandler);
  delete deferred;
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

void Exchange::answerLater(std::chrono::milliseconds delay, std::function<void(Exchange&)> answer) {
  auto* deferred = new DeferredAnswer{Exchange(message_.get(), path_, query_.get()),
                                      std::move(answer), message_.get()};
  soup_server_message_pause(deferred->message);
  deferred->disconnectHandler = g_signal_connect_swapped(deferred->message, "disconnected",
                                                         G_CALLBACK(onClientGone), deferred);
  const auto millis = std::clamp<std::chrono::milliseconds::rep>(delay.count(), 0,
                                                                 std::numeric_limits<guint>::max());
  g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(millis), onDeferredTimer, deferred,
                     destroyDeferred);
}

} // namespace velmora::sample
