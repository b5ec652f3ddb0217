// A script message body as the page posted it: null, boolean, number,
// string, array or string-keyed dictionary. The core reads page messages only
// in this form, so their handling can be tested without a web engine.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

struct ScriptValue;
using ScriptArray = std::vector<ScriptValue>;
using ScriptDictionary = std::map<std::string, ScriptValue, std::less<>>;

struct ScriptValue {
  std::variant<std::nullptr_t, bool, double, std::string, ScriptArray, ScriptDictionary> value;

  [[nodiscard]] bool isNull() const { return std::holds_alternative<std::nullptr_t>(value); }
  [[nodiscard]] const bool* boolean() const { return std::get_if<bool>(&value); }
  [[nodiscard]] const double* number() const { return std::get_if<double>(&value); }
  [[nodiscard]] const std::string* string() const { return std::get_if<std::string>(&value); }
  [[nodiscard]] const ScriptArray* array() const { return std::get_if<ScriptArray>(&value); }
  [[nodiscard]] const ScriptDictionary* dictionary() const {
    return std::get_if<ScriptDictionary>(&value);
  }

  friend bool operator==(const ScriptValue&, const ScriptValue&) = default;
};

// Reads the JSON text the web engine serialises a message body to. Gives none
// for text that is not JSON; nesting deeper than 64 levels is refused too, so
// a hostile page cannot exhaust the stack. Half of a UTF-16 surrogate pair
// (a page string cut through a character) reads as U+FFFD.
[[nodiscard]] std::optional<ScriptValue> scriptValueFromJson(std::string_view json);

} // namespace velmora
