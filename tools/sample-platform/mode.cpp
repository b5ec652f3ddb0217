// Names of the sample platform's modes, as typed on the command line and in
// /__control requests.
#include "mode.hpp"

#include <array>
#include <utility>

namespace velmora::sample {
namespace {

constexpr std::array<std::pair<Mode, std::string_view>, 17> kNames{{
    {Mode::current, "current"},
    {Mode::noCompany, "no-company"},
    {Mode::numericCompany, "numeric-company"},
    {Mode::emptyCompany, "empty-company"},
    {Mode::legacy, "legacy"},
    {Mode::legacyPasswordOnly, "legacy-password-only"},
    {Mode::legacyServerError, "legacy-500"},
    {Mode::legacyLatin1, "legacy-latin1"},
    {Mode::foreign, "foreign"},
    {Mode::appInfo404, "app-info-404"},
    {Mode::redirect, "redirect"},
    {Mode::slow, "slow"},
    {Mode::wrongCase, "wrong-case"},
    {Mode::jsonArray, "json-array"},
    {Mode::invalidJson, "invalid-json"},
    {Mode::emptyBody, "empty-body"},
    {Mode::hugeAnswer, "huge-answer"},
}};

constexpr std::array<Mode, kNames.size()> kModes = [] {
  std::array<Mode, kNames.size()> modes{};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    modes[i] = kNames[i].first;
  }
  return modes;
}();

} // namespace

std::optional<Mode> parseMode(std::string_view name) {
  for (const auto& [mode, text] : kNames) {
    if (text == name) {
      return mode;
    }
  }
  return std::nullopt;
}

std::string_view modeName(Mode mode) {
  for (const auto& [candidate, text] : kNames) {
    if (candidate == mode) {
      return text;
    }
  }
  return "current";
}

std::span<const Mode> allModes() {
  return kModes;
}

} // namespace velmora::sample
