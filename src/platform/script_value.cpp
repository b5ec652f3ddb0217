#include "platform/script_value.hpp"

#include <boost/json/parse.hpp>
#include <boost/json/value.hpp>

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
    case boost::json::kind::double_:
      return {json.get_double()};
    case boost::json::kind::string:
      return {std::string(json.get_string())};
    case boost::json::kind::array: {
      ScriptArray array;
      array.reserve(json.get_array().size());
      for (const auto& element : json.get_array()) array.push_back(convert(element));
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

}  // namespace

std::optional<ScriptValue> scriptValueFromJson(std::string_view json) {
  boost::json::parse_options options;
  options.max_depth = 64;
  boost::system::error_code error;
  boost::json::value parsed = boost::json::parse(json, error, {}, options);
  if (error) return std::nullopt;
  return convert(parsed);
}

}  // namespace velmora
