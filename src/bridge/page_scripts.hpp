// The two scripts the window injects into every main-frame document: the
// badge hook, which posts the unread count as "bellCount", and the navigation
// hook, which posts the page's workspace links as "navLinks".
#pragma once

#include <string_view>

namespace velmora {

[[nodiscard]] std::string_view badgeHookScript();
[[nodiscard]] std::string_view navigationHookScript();

} // namespace velmora
