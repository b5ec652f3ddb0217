#include "bridge/page_scripts.hpp"

#include "bridge/page_scripts_text.hpp"

namespace velmora {

std::string_view badgeHookScript() {
  return scripts::badge_hook;
}
std::string_view navigationHookScript() {
  return scripts::navigation_hook;
}
std::string_view connectLinkHookScript() {
  return scripts::connect_link_hook;
}

} // namespace velmora
