// A connect link arrives from any web page or mail. Reading it must never
// fail hard, must only accept its own scheme, and what it extracts must be
// text the address panel can show and normalise.
#include "connection/connect_link_parser.hpp"
#include "connection/server_address_text.hpp"
#include "fuzz_check.hpp"
#include "platform/text.hpp"

#include <algorithm>
#include <cctype>

using namespace velmora;
using fuzz::check;

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);
  const auto url = Url::parse(text);
  if (!url)
    return 0;
  const auto link = parseConnectLink(*url);
  if (!link)
    return 0;

  check(url->scheme() && equalsIgnoringCase(*url->scheme(), "haulvane"),
        "only haulvane links are read", text);
  check(isValidUtf8(link->server), "the server value is UTF-8 text", text);
  check(!link->email || isValidUtf8(*link->email), "the e-mail value is UTF-8 text", text);
  // The panel normalises what the link carries; that must hold up too.
  if (const auto address = normalizeServerAddress(link->server))
    check(!address->host.empty(), "an address from a link has a host", text);
  return 0;
}
