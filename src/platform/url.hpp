// A parsed URL, the one form in which addresses travel through the core.
// It wraps an RFC 3986 URI reference, so relative references parse too
// (they simply have no scheme and no host); only text that is not a URI
// reference at all, or is empty, fails to parse.
#pragma once

#include <boost/url/url.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class Url {
public:
  // Gives no URL for empty text or text that is not a URI reference (a
  // space or a stray "%" in it, for instance).
  [[nodiscard]] static std::optional<Url> parse(std::string_view text);
  // Reads an address the way browsers write one. They leave a few characters
  // unescaped ("|", "^", "{", "}", "`", "[", "]", a second "#", a "%" that
  // starts no escape) where RFC 3986 wants them escaped; those are escaped
  // first, so such an address still parses. The scheme and the authority are
  // kept exactly as written. None for empty text, or text that stays
  // unparsable once escaped.
  [[nodiscard]] static std::optional<Url> parseLenient(std::string_view text);

  // The scheme as written, or none for a relative reference.
  [[nodiscard]] std::optional<std::string> scheme() const;
  // The host as written, letter case kept, without user information, port or
  // the brackets of an IPv6 literal. None when there is no authority or the
  // authority's host is empty ("https://").
  [[nodiscard]] std::optional<std::string> host() const;
  // The port as written, or none.
  [[nodiscard]] std::optional<std::string> port() const;
  // The path as written (still percent-encoded); "" when there is none.
  [[nodiscard]] std::string encodedPath() const;
  // The percent-decoded path, without query or fragment. A trailing "/" is
  // dropped unless the path is exactly "/"; no path at all gives "".
  [[nodiscard]] std::string path() const;
  // True when the path is "" or exactly "/".
  [[nodiscard]] bool hasRootPath() const;
  // The web origin, written as pages read it from `self.origin`:
  // "scheme://host[:port]" with scheme and host in lower case, the scheme's
  // own port left out and an IPv6 host in brackets. Only http and https
  // addresses have one of their own; a blob: address has the origin of the
  // address inside it. None for any other scheme, a relative reference or
  // an address without a host.
  [[nodiscard]] std::optional<std::string> origin() const;

  // The whole URL as text.
  [[nodiscard]] const std::string& absoluteString() const { return text_; }

  // Appends one path component with exactly one "/" between the existing
  // path and the component: "https://a.test" and "https://a.test/" both
  // give "https://a.test/login". Query and fragment are dropped. The
  // component is taken as path text: its own slashes separate segments.
  [[nodiscard]] Url appendingPathComponent(std::string_view component) const;

  friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }

  [[nodiscard]] const boost::urls::url& components() const { return url_; }

private:
  explicit Url(boost::urls::url url);

  boost::urls::url url_;
  std::string text_;
};

// The escaping parseLenient does: every byte after the authority that RFC
// 3986 does not allow there becomes %XX, as does a "%" that starts no escape
// and any "#" after the first.
[[nodiscard]] std::string escapedForRfc3986(std::string_view uri);

} // namespace velmora
