#include "bridge/script_messages.hpp"

#include "bridge/page_bridge.hpp"

#include <cmath>
#include <limits>

namespace velmora {

std::int64_t countFromMessageBody(const ScriptValue& body) {
  const double* number = body.number();
  if (!number || std::isnan(*number))
    return 0;
  // 2^63 is the first double above the range; -2^63 itself is in it.
  constexpr double limit = 9223372036854775808.0;
  if (*number >= limit)
    return std::numeric_limits<std::int64_t>::max();
  if (*number <= -limit)
    return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(*number);
}

std::string badgeLabelForCount(std::int64_t count) {
  return count >= 1 ? std::to_string(count) : std::string();
}

std::string windowTitleForCount(std::int64_t count) {
  return count >= 1 ? "Velmora (" + std::to_string(count) + ")" : std::string("Velmora");
}

std::vector<ScriptDictionary> linkListFromMessageBody(const ScriptValue& body) {
  const ScriptArray* array = body.array();
  if (!array)
    return {};
  std::vector<ScriptDictionary> links;
  links.reserve(array->size());
  for (const ScriptValue& element : *array) {
    const ScriptDictionary* dictionary = element.dictionary();
    if (!dictionary)
      return {};
    links.push_back(*dictionary);
  }
  return links;
}

PageBridge::PageBridge(DockTile& dockTile, MainQueue& queue, Menu* goMenu,
                       std::function<void(const Url&)> openIfSameServer,
                       std::function<void(const Url&)> openConnectLink,
                       std::function<void(const std::string&)> setWindowTitle)
    : badge_(dockTile, queue), goMenu_(goMenu), openIfSameServer_(std::move(openIfSameServer)),
      openConnectLink_(std::move(openConnectLink)), setWindowTitle_(std::move(setWindowTitle)) {}

void PageBridge::didReceiveScriptMessage(const ScriptMessage& message) {
  if (message.name == "bellCount") {
    // The badge belongs to the application and only a page's report
    // changes it. The title costs the desktop nothing, so it follows every
    // report at once; only the dock's signal is held back.
    const std::int64_t count = countFromMessageBody(message.body);
    badge_.show(badgeLabelForCount(count));
    const std::string title = windowTitleForCount(count);
    if (title != title_) {
      title_ = title;
      setWindowTitle_(title);
    }
  } else if (message.name == "navLinks") {
    rebuildGoMenu(linkListFromMessageBody(message.body));
  } else if (message.name == "connectLink") {
    const std::string* text = message.body.string();
    if (const auto link = text ? Url::parse(*text) : std::nullopt)
      openConnectLink_(*link);
  }
}

} // namespace velmora
