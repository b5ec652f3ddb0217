// The scripts the window injects into every main-frame document: the badge
// hook, which posts the unread count as "bellCount", the navigation hook,
// which posts the page's workspace links as "navLinks", and the connect-link
// hook, which posts a set-up link the user clicked as "connectLink".
#pragma once

#include <string_view>

namespace velmora {

[[nodiscard]] std::string_view badgeHookScript();
[[nodiscard]] std::string_view navigationHookScript();
[[nodiscard]] std::string_view connectLinkHookScript();

} // namespace velmora
