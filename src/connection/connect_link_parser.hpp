// Reads a connect link, haulvane://connect?server=...&email=..., into its
// two values. A link comes from outside (a web page, a mail), so this only
// extracts text: nothing here trusts, stores or acts on it.
#pragma once

#include "platform/url.hpp"

#include <optional>
#include <string>

namespace velmora {

struct ConnectLink {
  // The "server" value, percent-decoded and not yet trimmed; "" when the
  // item is missing, has no "=", or does not decode to UTF-8 text.
  std::string server;
  // The "email" value, percent-decoded; none in the same cases ("email="
  // gives the empty string).
  std::optional<std::string> email;
};

// True for an address of the set-up links' own scheme, "haulvane", in any
// letter case, whatever follows it.
[[nodiscard]] bool hasConnectLinkScheme(const Url& url);

// None unless the scheme is "haulvane" and the target "connect", both in any
// letter case. The target is the host ("haulvane://connect?...") or, for a
// link without one, the path with its slashes trimmed ("haulvane:connect").
// Item names match exactly; the first of repeated items counts; a "+" stays
// a plus sign.
[[nodiscard]] std::optional<ConnectLink> parseConnectLink(const Url& link);

} // namespace velmora
