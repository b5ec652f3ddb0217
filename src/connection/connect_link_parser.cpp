#include "connection/connect_link_parser.hpp"

#include "platform/text.hpp"

#include <boost/url/decode_view.hpp>
#include <boost/url/pct_string_view.hpp>

#include <string_view>
#include <vector>

namespace velmora {
namespace {

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

std::string decoded(std::string_view encoded) {
  // The query was validated when the link was parsed, so every part of it
  // is well-formed percent-encoding; should one not be, it is taken as is.
  const auto valid = boost::urls::make_pct_string_view(encoded);
  if (!valid)
    return std::string(encoded);
  const boost::urls::decode_view view(*valid);
  return std::string(view.begin(), view.end());
}

struct QueryItem {
  std::string_view key;
  std::optional<std::string_view> value; // none when the item has no "="
};

// The query's "&"-separated items, still percent-encoded. Split here rather
// than through Boost.URL's parameter view, which in 1.81 counts an empty
// query followed by a fragment ("?#x") as two items and then reads past the
// end of the link.
std::vector<QueryItem> queryItems(std::string_view query) {
  std::vector<QueryItem> items;
  while (true) {
    const auto end = query.find('&');
    const std::string_view item = query.substr(0, end);
    const auto equals = item.find('=');
    if (equals == std::string_view::npos)
      items.push_back({item, std::nullopt});
    else
      items.push_back({item.substr(0, equals), item.substr(equals + 1)});
    if (end == std::string_view::npos)
      return items;
    query.remove_prefix(end + 1);
  }
}

// The item's value percent-decoded; none when it has no "=" or decodes to
// bytes that are not UTF-8 text.
std::optional<std::string> decodedText(const QueryItem& item) {
  if (!item.value)
    return std::nullopt;
  std::string value = decoded(*item.value);
  if (!isValidUtf8(value))
    return std::nullopt;
  return value;
}

} // namespace

bool hasConnectLinkScheme(const Url& url) {
  return asciiLowercased(url.scheme().value_or("")) == "haulvane";
}

std::optional<ConnectLink> parseConnectLink(const Url& link) {
  if (!hasConnectLinkScheme(link))
    return std::nullopt;
  if (asciiLowercased(target(link)) != "connect")
    return std::nullopt;

  ConnectLink parsed;
  bool seenServer = false;
  bool seenEmail = false;
  // Encoded items, decoded one by one: decoding the whole query would also
  // turn "+" into a blank, which an address or e-mail never means.
  const auto& components = link.components();
  if (!components.has_query())
    return parsed;
  for (const QueryItem& item : queryItems(components.encoded_query())) {
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
