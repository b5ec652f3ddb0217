#include "bridge/page_scripts.hpp"

#include "bridge/page_scripts_text.hpp"

namespace velmora {

std::string_view badgeHookScript() {
  return scripts::badge_hook;
}
std::string_view navigationHookScript() {
  return scripts::navigation_hook;
}

} // namespace velmora
