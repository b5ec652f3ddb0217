// The HTTP side of the sample platform: a libsoup server bound to one
// loopback address that records every request in the log and hands it to
// the router.
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "options.hpp"
#include "platform.hpp"

#include <libsoup/soup.h>

#include <optional>
#include <string>

namespace velmora::sample {

class Server {
public:
  explicit Server(Platform& platform) : platform_(platform) {}
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Starts listening on `options.host` and `options.port` (HTTPS when a
  // certificate is given). Gives the base URL, e.g. "http://127.0.0.1:41234/",
  // or nothing with `error` set. Requests are served from the thread-default
  // main context once the caller runs a main loop.
  [[nodiscard]] std::optional<std::string> listen(const Options& options, std::string& error);

private:
  static void onRequest(SoupServer* server, SoupServerMessage* message, const char* path,
                        GHashTable* query, gpointer self);

  Platform& platform_;
  GObjectPtr<SoupServer> server_;
};

} // namespace velmora::sample
