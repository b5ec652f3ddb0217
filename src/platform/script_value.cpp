#include "platform/script_value.hpp"

#include <boost/json/parse.hpp>
#include <boost/json/value.hpp>

#include <cmath>

#include <string>

namespace velmora {
namespace {

ScriptValue convert(const boost::json::value& json) {
  switch (json.kind()) {
  case boost::json::kind::null:
    return {nullptr};
  case boost::json::kind::bool_:
    return {json.get_bool()};
  case boost::json::kind::int64:
    return {static_cast<double>(json.get_int64())};
  case boost::json::kind::uint64:
    return {static_cast<double>(json.get_uint64())};
  case boost::json::kind::double_: {
    // JSON has no NaN, but the parser makes one of a zero with a huge
    // exponent ("0e410"), whose value is plainly zero.
    const double number = json.get_double();
    return {std::isnan(number) ? 0.0 : number};
  }
  case boost::json::kind::string:
    return {std::string(json.get_string())};
  case boost::json::kind::array: {
    ScriptArray array;
    array.reserve(json.get_array().size());
    for (const auto& element : json.get_array())
      array.push_back(convert(element));
    return {std::move(array)};
  }
  case boost::json::kind::object: {
    ScriptDictionary dictionary;
    for (const auto& member : json.get_object())
      dictionary.emplace(std::string(member.key()), convert(member.value()));
    return {std::move(dictionary)};
  }
  }
  return {nullptr};
}

std::optional<unsigned> hexUnit(std::string_view text, size_t at) {
  if (at + 4 > text.size())
    return std::nullopt;
  unsigned unit = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const char c = text[i];
    unit <<= 4;
    if (c >= '0' && c <= '9') {
      unit |= static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      unit |= static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      unit |= static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return unit;
}

bool isHighSurrogate(unsigned unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(unsigned unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Page strings are UTF-16 and may hold half of a character, for instance a
// label cut through an emoji; the engine writes that half as a lone
// "\uD83D" escape, which strict JSON parsers reject along with the whole
// message. Each lone half becomes U+FFFD, so the rest of the message stands.
std::string replaceLoneSurrogates(std::string_view json) {
  std::string out;
  out.reserve(json.size());
  bool inString = false;
  for (size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '"')
      inString = !inString;
    if (!inString || c != '\\' || i + 1 >= json.size()) {
      out += c;
      continue;
    }
    const std::optional<unsigned> unit = json[i + 1] == 'u' ? hexUnit(json, i + 2) : std::nullopt;
    if (!unit) {
      // Any other escape, copied whole so its second character (which may
      // be a quote) is not taken for the end of the string.
      out += json.substr(i, 2);
      ++i;
      continue;
    }
    size_t length = 6;
    bool lone = isLowSurrogate(*unit);
    if (isHighSurrogate(*unit)) {
      const bool escapeFollows = i + 7 < json.size() && json[i + 6] == '\\' && json[i + 7] == 'u';
      const std::optional<unsigned> next = escapeFollows ? hexUnit(json, i + 8) : std::nullopt;
      if (next && isLowSurrogate(*next)) {
        length = 12;
      } else {
        lone = true;
      }
    }
    out += lone ? std::string_view("\\uFFFD") : json.substr(i, length);
    i += length - 1;
  }
  return out;
}

} // namespace

std::optional<ScriptValue> scriptValueFromJson(std::string_view json) {
  boost::json::parse_options options;
  options.max_depth = 64;
  boost::system::error_code error;
  boost::json::value parsed = boost::json::parse(replaceLoneSurrogates(json), error, {}, options);
  if (error)
    return std::nullopt;
  return convert(parsed);
}

} // namespace velmora
