// Script message bodies come from whatever page is loaded, including a
// hostile one. Reading them must never exhaust the stack or fail hard, and
// an unread count read from one must give a badge of digits or none.
#include "bridge/script_messages.hpp"
#include "fuzz_check.hpp"
#include "platform/script_value.hpp"

#include <cmath>

using namespace velmora;
using fuzz::check;

namespace {

std::size_t depth(const ScriptValue& value) {
  std::size_t deepest = 0;
  if (const auto* array = value.array())
    for (const auto& element : *array)
      deepest = std::max(deepest, depth(element));
  if (const auto* dictionary = value.dictionary())
    for (const auto& [key, element] : *dictionary)
      deepest = std::max(deepest, depth(element));
  return (value.array() || value.dictionary()) ? deepest + 1 : deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);
  const auto value = scriptValueFromJson(text);
  if (!value)
    return 0;
  check(depth(*value) <= 64, "nesting is bounded", text);
  if (const auto* number = value->number())
    check(!std::isnan(*number), "JSON numbers are never NaN", text);

  const std::int64_t count = countFromMessageBody(*value);
  check(value->number() || count == 0, "only a number counts", text);
  const std::string badge = badgeLabelForCount(count);
  check((count <= 0) == badge.empty(), "a badge exactly for positive counts", text);
  check(badge.find_first_not_of("0123456789") == std::string::npos, "a badge is digits", text);
  return 0;
}
