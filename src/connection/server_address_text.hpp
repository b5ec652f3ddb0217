// Turns what a person types, pastes or receives in a link into a platform
// address: the base URL (scheme, host and port, nothing else) and its host
// for messages. Also decides whether the clipboard holds
// something worth offering in the address panel. Both are pure, so every
// rule can be checked row by row.
#pragma once

#include "platform/url.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

struct ServerAddress {
  Url base;         // scheme, host and port only: no user, path, query, fragment or trailing slash
  std::string host; // as written, letter case kept, IPv6 without brackets
  // The host with the port when the address names one ("127.0.0.1:8765",
  // "[::1]:8080"), as the user is asked about it: on one machine the port
  // tells two servers apart.
  std::string hostAndPort;
  // Written as plain http and raised to https: a failure to answer then
  // says which address was tried.
  bool raisedToHttps = false;
};

// Trims blanks and line breaks, assumes https when no "://" is given, keeps
// scheme (in lower case, as schemes ignore letter case) and port, and drops
// path, query and fragment. Plain http, in any letter case, is raised to
// https except for local hosts: the whole loopback range (127.0.0.0/8 and
// ::1), localhost and hosts ending in ".local" (names compared exactly, so
// "Localhost" is raised too); any other scheme stays.
// None when the text is not a URI (spaces, non-ASCII), names no host, or
// carries a user name or password. A host without a dot is fine:
// "dispatch" becomes https://dispatch.
[[nodiscard]] std::optional<ServerAddress> normalizeServerAddress(std::string_view text);

// The clipboard text, trimmed, when it looks like a company address worth
// offering: under 200 characters, starting with "https://" or "http://"
// (lower case), with a host that has a dot. None otherwise. The suggestion
// is the trimmed text unchanged, path and all.
[[nodiscard]] std::optional<std::string>
clipboardSuggestion(const std::optional<std::string>& clipboardText);

} // namespace velmora
