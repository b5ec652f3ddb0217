// Typed, pasted and linked text into a platform address: whatever comes
// out must be a bare base with a host, and the clipboard offer must stay
// within its own limits.
#include "connection/server_address_text.hpp"
#include "fuzz_check.hpp"

using namespace velmora;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);

  if (const auto address = normalizeServerAddress(text)) {
    const Url& base = address->base;
    const auto& url = base.components();
    check(!address->host.empty(), "a normalised address has a host", text);
    check(base.host() == address->host, "the host given is the base's host", text);
    check(url.has_scheme(), "a normalised base has a scheme", text);
    check(base.encodedPath().empty(), "a normalised base has no path", text);
    check(!url.has_query() && !url.has_fragment(), "a normalised base has no query or fragment",
          text);
    check(!base.absoluteString().ends_with('/'), "a normalised base has no trailing slash", text);
    // Stored addresses are normalised again when read back; they must not drift.
    const auto again = normalizeServerAddress(base.absoluteString());
    check(again && again->base == base && again->host == address->host,
          "normalising a normalised base changes nothing", text);
  }

  if (const auto offer = clipboardSuggestion(std::string(text))) {
    check(offer->size() < 200 * 4, "an offer is short", text);
    check(offer->starts_with("https://") || offer->starts_with("http://"),
          "an offer is a web address", text);
  }
  return 0;
}
