// Addresses as the engine reports them, turned into the core's Url, and the
// application's own addresses written as the engine will report them. An
// address the core cannot parse would slip past every decision (no address
// is allowed rather than refused), so the engine's addresses are read
// leniently, as browsers write them.
#pragma once

#include "platform/url.hpp"

#include <optional>
#include <string>

namespace velmora::gtk {

// None only for a null or empty address, or one that stays unparsable once
// escaped (see Url::parseLenient).
[[nodiscard]] std::optional<Url> engineUrl(const char* uri);

// The other way: an address the application loads, written as the engine
// will report it ("http://host" comes back as "http://host/").
[[nodiscard]] std::string engineUri(const Url& url);

} // namespace velmora::gtk
