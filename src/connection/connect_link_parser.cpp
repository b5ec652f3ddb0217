#include "connection/connect_link_parser.hpp"

#include "connection/text.hpp"

#include <boost/url/decode_view.hpp>

#include <algorithm>
#include <cctype>

namespace velmora {
namespace {

std::string lowercased(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string target(const Url& link) {
  if (auto host = link.host())
    return *host;
  std::string path = link.path();
  const auto first = path.find_first_not_of('/');
  if (first == std::string::npos)
    return {};
  const auto last = path.find_last_not_of('/');
  return path.substr(first, last - first + 1);
}

std::string decoded(boost::urls::pct_string_view encoded) {
  const boost::urls::decode_view view(encoded);
  return std::string(view.begin(), view.end());
}

// The item's value percent-decoded; none when it has no "=" or decodes to
// bytes that are not UTF-8 text.
std::optional<std::string> decodedText(const boost::urls::param_pct_view& item) {
  if (!item.has_value)
    return std::nullopt;
  std::string value = decoded(item.value);
  if (!isValidUtf8(value))
    return std::nullopt;
  return value;
}

} // namespace

std::optional<ConnectLink> parseConnectLink(const Url& link) {
  const auto scheme = link.scheme();
  if (!scheme || lowercased(*scheme) != "haulvane")
    return std::nullopt;
  if (lowercased(target(link)) != "connect")
    return std::nullopt;

  ConnectLink parsed;
  bool seenServer = false;
  bool seenEmail = false;
  // Encoded items, decoded one by one: the decoded view would also turn
  // "+" into a blank, which an address or e-mail never means.
  const boost::urls::url_view_base& components = link.components();
  for (const auto& item : components.encoded_params()) {
    const std::string key = decoded(item.key);
    auto value = decodedText(item);
    if (key == "server" && !std::exchange(seenServer, true)) {
      parsed.server = value.value_or("");
    } else if (key == "email" && !std::exchange(seenEmail, true)) {
      parsed.email = std::move(value);
    }
  }
  return parsed;
}

} // namespace velmora
