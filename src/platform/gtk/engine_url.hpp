// Addresses as the engine reports them, turned into the core's Url. The
// engine writes addresses the way browsers do, which leaves a few characters
// unescaped ("|", "^", "{", "}", "`", "[", "]", a second "#") where RFC 3986
// wants them escaped. An address the core cannot parse would slip past every
// decision (no address is allowed rather than refused), so such characters
// are escaped here instead.
#pragma once

#include "platform/url.hpp"

#include <optional>
#include <string_view>

namespace velmora::gtk {

// None only for a null or empty address, or one that stays unparsable once
// escaped. The scheme and the authority are left exactly as written.
[[nodiscard]] std::optional<Url> engineUrl(const char* uri);

// The other way: an address the application loads, written as the engine
// will report it ("http://host" comes back as "http://host/").
[[nodiscard]] std::string engineUri(const Url& url);

// The escaping on its own: every byte after the authority that RFC 3986
// does not allow there becomes %XX, as does a "%" that starts no escape.
[[nodiscard]] std::string escapedForRfc3986(std::string_view uri);

} // namespace velmora::gtk
