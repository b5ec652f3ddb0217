// Script message bodies come from whatever page is loaded, including a
// hostile one. Reading them must never exhaust the stack or fail hard, and
// what is read must survive a round trip through its own JSON form.
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
  return 0;
}
