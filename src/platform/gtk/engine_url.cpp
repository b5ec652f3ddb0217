#include "platform/gtk/engine_url.hpp"

namespace velmora::gtk {

std::optional<Url> engineUrl(const char* uri) {
  if (!uri)
    return std::nullopt;
  return Url::parseLenient(uri);
}

std::string engineUri(const Url& url) {
  boost::urls::url written = url.components();
  // Not set_encoded_path("/"): Boost.URL 1.81 writes that as "/./".
  if (written.has_authority() && written.encoded_path().empty())
    written.set_path_absolute(true);
  return std::string(written.buffer());
}

} // namespace velmora::gtk
