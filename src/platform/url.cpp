#include "platform/url.hpp"

#include <boost/url/parse.hpp>

namespace velmora {

Url::Url(boost::urls::url url) : url_(std::move(url)), text_(url_.buffer()) {}

std::optional<Url> Url::parse(std::string_view text) {
  if (text.empty())
    return std::nullopt;
  auto parsed = boost::urls::parse_uri_reference(text);
  if (!parsed)
    return std::nullopt;
  return Url(boost::urls::url(*parsed));
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
