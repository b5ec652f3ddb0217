#include "platform/gtk/engine_url.hpp"

#include <cctype>
#include <string>

namespace velmora::gtk {
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

std::optional<Url> engineUrl(const char* uri) {
  if (!uri || !*uri)
    return std::nullopt;
  if (auto url = Url::parse(uri))
    return url;
  return Url::parse(escapedForRfc3986(uri));
}

std::string engineUri(const Url& url) {
  boost::urls::url written = url.components();
  // Not set_encoded_path("/"): Boost.URL 1.81 writes that as "/./".
  if (written.has_authority() && written.encoded_path().empty())
    written.set_path_absolute(true);
  return std::string(written.buffer());
}

} // namespace velmora::gtk
