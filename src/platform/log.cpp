#include "platform/log.hpp"

namespace velmora::log {
namespace {

Sink& sink() {
  static Sink installed;
  return installed;
}

} // namespace

std::string_view moduleName(Module module) {
  switch (module) {
  case Module::navigation:
    return "navigation";
  case Module::downloads:
    return "downloads";
  case Module::recovery:
    return "recovery";
  }
  return "core";
}

void setSink(Sink installed) {
  sink() = std::move(installed);
}

void debug(Module module, std::string_view message) {
  if (sink())
    sink()(module, message);
}

std::string address(const std::optional<Url>& url) {
  if (!url)
    return "(none)";
  const auto& parts = url->components();
  std::string text;
  if (parts.has_scheme())
    text += std::string(parts.scheme()) + ":";
  if (parts.has_authority())
    text += "//" + std::string(parts.encoded_host_and_port());
  text += std::string(parts.encoded_path());
  return text;
}

} // namespace velmora::log
