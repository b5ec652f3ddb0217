// Plain HTTP GET requests for the connection checks. Redirects are followed
// and the final answer is the one reported; no credentials or cookies of the
// application's own are sent.
#pragma once

#include "platform/url.hpp"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

struct HttpRequest {
  Url url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::chrono::seconds timeout{12};
  // A body larger than this is not read on: the request then completes as a
  // transport failure, as if nothing had answered. The connection checks read
  // a small JSON object or a sign-in page, so a few MiB are plenty.
  std::size_t maxBodyBytes = 4 * 1024 * 1024;
};

struct HttpResponse {
  // The HTTP status of the final response; none when no response arrived.
  std::optional<int> status;
  // The body bytes as received; none when there was none.
  std::optional<std::string> body;
  // A transport failure (refused, unresolved, timed out, bad certificate):
  // its description for the user. None when a response arrived.
  std::optional<std::string> transportError;
};

class HttpClient {
public:
  virtual ~HttpClient() = default;
  // Starts the request and returns at once; `completion` runs exactly once,
  // later, on the main thread.
  virtual void get(const HttpRequest& request, std::function<void(HttpResponse)> completion) = 0;
};

} // namespace velmora
