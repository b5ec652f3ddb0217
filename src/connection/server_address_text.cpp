#include "connection/server_address_text.hpp"

#include "platform/text.hpp"

#include <boost/url/parse.hpp>
#include <boost/url/url.hpp>

namespace velmora {
namespace {

// The loopback range never leaves the machine, so plain http there is
// what a local test server speaks, not a risk.
bool isLocalHost(const boost::urls::url_view& url, std::string_view host) {
  switch (url.host_type()) {
  case boost::urls::host_type::ipv4:
    return url.host_ipv4_address().to_bytes()[0] == 127;
  case boost::urls::host_type::ipv6:
    return url.host_ipv6_address().is_loopback();
  default:
    return host == "localhost" || host.ends_with(".local");
  }
}

// Parses with the generic syntax, as for any URI reference: text that
// carries "://" only in its query parses as a relative reference and has no
// host. Boost.URL reads "host:port" with a non-numeric port as an empty port
// followed by a path without its leading "/", which no URI has; that is
// refused here.
std::optional<boost::urls::url> parseGeneric(std::string_view text) {
  auto parsed = boost::urls::parse_uri_reference(text);
  if (!parsed)
    return std::nullopt;
  if (parsed->has_authority() && !parsed->encoded_path().empty() &&
      !parsed->encoded_path().starts_with('/'))
    return std::nullopt;
  return boost::urls::url(*parsed);
}

// The host as the rest of the application names it; none when empty.
std::optional<std::string> hostOf(const boost::urls::url_view& url) {
  if (!url.has_authority() || url.encoded_host_address().empty())
    return std::nullopt;
  return std::string(url.encoded_host_address());
}

} // namespace

std::optional<ServerAddress> normalizeServerAddress(std::string_view text) {
  std::string trimmed = trimWhitespaceAndLineBreaks(text);
  if (trimmed.find("://") == std::string::npos)
    trimmed.insert(0, "https://");

  auto parsed = parseGeneric(trimmed);
  if (!parsed)
    return std::nullopt;
  boost::urls::url& url = *parsed;
  auto host = hostOf(url);
  if (!host)
    return std::nullopt;
  // "//host/x://y" holds "://" but names no scheme; a base without one is
  // no address the window could load.
  if (!url.has_scheme())
    return std::nullopt;
  // A name and password in the address would be stored and shown in plain
  // text, and "https://app.haulvane.com@evil.test" reads as one site while
  // naming another.
  if (url.has_userinfo())
    return std::nullopt;

  url.set_encoded_path("");
  url.remove_query();
  url.remove_fragment();
  // "example.test:" has an empty port, which means the default one.
  if (url.has_port() && url.port().empty())
    url.remove_port();
  // Schemes are case-insensitive, so "HTTP" is plain http too; the base is
  // written with the scheme in lower case, as the engine reports addresses.
  url.set_scheme(asciiLowercased(url.scheme()));
  const bool raise = url.scheme() == "http" && !isLocalHost(url, *host);
  if (raise)
    url.set_scheme("https");

  auto base = Url::parse(url.buffer());
  if (!base)
    return std::nullopt;
  std::string hostAndPort = url.has_port() ? std::string(url.encoded_host_and_port()) : *host;
  return ServerAddress{*base, *host, std::move(hostAndPort), raise};
}

std::optional<std::string> clipboardSuggestion(const std::optional<std::string>& clipboardText) {
  std::string trimmed = trimWhitespaceAndLineBreaks(clipboardText.value_or(""));
  if (userPerceivedLength(trimmed) >= 200)
    return std::nullopt;
  if (!trimmed.starts_with("https://") && !trimmed.starts_with("http://"))
    return std::nullopt;
  auto parsed = parseGeneric(trimmed);
  if (!parsed)
    return std::nullopt;
  auto host = hostOf(*parsed);
  if (!host || host->find('.') == std::string::npos)
    return std::nullopt;
  return trimmed;
}

} // namespace velmora
