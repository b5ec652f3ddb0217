#include "platform/url.hpp"

#include "platform/text.hpp"

#include <boost/url/parse.hpp>

#include <cctype>
#include <cstdint>

namespace velmora {
namespace {

bool isHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Characters a path, query or fragment may hold as they are.
bool allowedAfterAuthority(char c) {
  if (std::isalnum(static_cast<unsigned char>(c)))
    return true;
  static constexpr std::string_view allowed = "-._~!$&'()*+,;=:@/?";
  return allowed.find(c) != std::string_view::npos;
}

// Where the path starts: after "scheme://authority", or after "scheme:" for
// addresses without an authority (mailto:, tel:, about:).
size_t endOfAuthority(std::string_view uri) {
  const size_t colon = uri.find(':');
  if (colon == std::string_view::npos)
    return 0;
  if (uri.substr(colon + 1, 2) != "//")
    return colon + 1;
  const size_t end = uri.find_first_of("/?#", colon + 3);
  return end == std::string_view::npos ? uri.size() : end;
}

} // namespace

std::string escapedForRfc3986(std::string_view uri) {
  const size_t start = endOfAuthority(uri);
  std::string result(uri.substr(0, start));
  bool inFragment = false;
  for (size_t i = start; i < uri.size(); ++i) {
    const char c = uri[i];
    const bool escape = c == '%'   ? !(i + 2 < uri.size() && isHex(uri[i + 1]) && isHex(uri[i + 2]))
                        : c == '#' ? inFragment
                                   : !allowedAfterAuthority(c);
    if (c == '#')
      inFragment = true;
    if (!escape) {
      result += c;
      continue;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    result += '%';
    result += digits[byte >> 4];
    result += digits[byte & 0xF];
  }
  return result;
}

Url::Url(boost::urls::url url) : url_(std::move(url)), text_(url_.buffer()) {}

std::optional<Url> Url::parse(std::string_view text) {
  if (text.empty())
    return std::nullopt;
  auto parsed = boost::urls::parse_uri_reference(text);
  if (!parsed)
    return std::nullopt;
  return Url(boost::urls::url(*parsed));
}

std::optional<Url> Url::parseLenient(std::string_view text) {
  if (auto url = parse(text))
    return url;
  return parse(escapedForRfc3986(text));
}

std::optional<std::string> Url::scheme() const {
  if (!url_.has_scheme())
    return std::nullopt;
  return std::string(url_.scheme());
}

std::optional<std::string> Url::host() const {
  if (!url_.has_authority())
    return std::nullopt;
  std::string host(url_.encoded_host_address());
  if (host.empty())
    return std::nullopt;
  return host;
}

std::optional<std::string> Url::port() const {
  if (!url_.has_port())
    return std::nullopt;
  return std::string(url_.port());
}

std::string Url::encodedPath() const {
  return std::string(url_.encoded_path());
}

std::string Url::path() const {
  std::string decoded = url_.path();
  if (decoded.size() > 1 && decoded.back() == '/')
    decoded.pop_back();
  return decoded;
}

bool Url::hasRootPath() const {
  const std::string decoded = path();
  return decoded.empty() || decoded == "/";
}

std::optional<std::string> Url::origin() const {
  const auto written = scheme();
  const std::string lowerScheme = written ? asciiLowercased(*written) : "";
  if (lowerScheme == "blob") {
    const auto inner = parse(url_.encoded_path());
    return inner ? inner->origin() : std::nullopt;
  }
  const auto name = host();
  if ((lowerScheme != "http" && lowerScheme != "https") || !name)
    return std::nullopt;
  std::string origin = lowerScheme + "://";
  if (url_.host_type() == boost::urls::host_type::ipv6) {
    origin += "[" + asciiLowercased(*name) + "]";
  } else {
    origin += asciiLowercased(*name);
  }
  if (url_.has_port() && !url_.port().empty()) {
    // A port beyond 65535 is no address at all.
    const std::uint16_t number = url_.port_number();
    if (number == 0 && url_.port().find_first_not_of('0') != std::string_view::npos)
      return std::nullopt;
    if (number != (lowerScheme == "https" ? 443 : 80))
      origin += ":" + std::to_string(number);
  }
  return origin;
}

Url Url::appendingPathComponent(std::string_view component) const {
  boost::urls::url joined = url_;
  std::string path(joined.encoded_path());
  if (path.empty() || path.back() != '/')
    path += '/';
  joined.remove_query();
  joined.remove_fragment();
  // The component is code's own text (such as "api/v1/app-info"), so its
  // slashes are kept as path separators rather than encoded.
  joined.set_encoded_path(path + std::string(component));
  return Url(std::move(joined));
}

} // namespace velmora
