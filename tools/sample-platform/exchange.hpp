// One request and its answer, as the route handlers see it. Handlers read the
// method, path, query and headers here and answer through it, so none of
// them deals with libsoup's message life cycle directly.
#pragma once

#include "glib_owners/glib_ptr.hpp"

#include <libsoup/soup.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::sample {

class Exchange {
public:
  // `query` is the decoded query table libsoup hands the server callback;
  // it may be null when the URL has no query.
  Exchange(SoupServerMessage* message, std::string path, GHashTable* query);

  [[nodiscard]] std::string_view method() const { return method_; }
  // The path as received, still percent-encoded.
  [[nodiscard]] std::string_view path() const { return path_; }
  [[nodiscard]] bool isRead() const { return method_ == "GET" || method_ == "HEAD"; }

  // A decoded query parameter; nothing when it is absent.
  [[nodiscard]] std::optional<std::string> queryValue(std::string_view key) const;
  // Every query parameter name, for rejecting ones nobody understands.
  [[nodiscard]] std::vector<std::string> queryKeys() const;
  // A request header, or the empty string when it is absent.
  [[nodiscard]] std::string header(const char* name) const;
  // A field of an application/x-www-form-urlencoded request body.
  [[nodiscard]] std::optional<std::string> formValue(std::string_view key) const;

  void respond(int status, std::string_view contentType, std::string_view body);
  // Answers `status` (302, 303, ...) with a Location header and a tiny body.
  void redirect(int status, std::string_view location);
  // Adds a response header; call before `respond` or `redirect`.
  void addHeader(const char* name, std::string_view value);
  // Ends the connection with no answer at all, as a crashed server would.
  void dropConnection();

  // Answers with the whole of `body` declared up front (or, without
  // `declareLength`, in chunks of unannounced size), then sends it
  // `chunkBytes` at a time, one chunk every `interval`, as a large file on a
  // slow line arrives. Stops when the client goes away.
  void respondSlowly(int status, std::string_view contentType, std::string body,
                     std::size_t chunkBytes, std::chrono::milliseconds interval,
                     bool declareLength = true);
  // Declares `declaredLength` bytes, sends only `partialBody` and closes the
  // connection, as a server that dies in the middle of a file would. Headers
  // added before are sent along.
  void breakOff(int status, std::string_view contentType, std::size_t declaredLength,
                std::string partialBody);
  // Sends `body` in chunked encoding, 16 KiB a chunk, but closes the
  // connection once `sentBytes` of it have gone out, never sending the last,
  // empty chunk that ends the body. A cut inside a chunk leaves that chunk
  // short of its announced size; a cut at a chunk's end closes where the
  // next chunk's size is due.
  void breakOffChunked(int status, std::string_view contentType, const std::string& body,
                       std::size_t sentBytes);
  // Sends `body` with neither a length nor chunks and closes the connection:
  // the close alone ends the body, so a client cannot tell it from a cut one.
  void respondUntilClose(int status, std::string_view contentType, std::string body);

  // Holds the request open and calls `answer` after `delay` from the event
  // loop, which keeps serving other requests meanwhile. `answer` is not
  // called when the client has disconnected by then.
  void answerLater(std::chrono::milliseconds delay, std::function<void(Exchange&)> answer);
  // Holds the request open until `ready` gives true (asked every 10 ms from
  // the event loop), then calls `answer`; the same otherwise.
  void answerWhen(std::function<bool()> ready, std::function<void(Exchange&)> answer);

private:
  // Takes the connection from the server, writes the status line, the
  // headers added so far, `framing` (header lines ending in CRLF) and `body`
  // as they are, then closes it.
  void writeRawAndClose(int status, std::string_view contentType, const std::string& framing,
                        std::string body);
  void defer(std::chrono::milliseconds interval, std::function<bool()> ready,
             std::function<void(Exchange&)> answer);

  GObjectPtr<SoupServerMessage> message_;
  std::string method_;
  std::string path_;
  GHashTablePtr query_;
};

} // namespace velmora::sample
