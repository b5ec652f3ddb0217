#include "bridge/script_messages.hpp"

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

} // namespace velmora
