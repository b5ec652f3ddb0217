// What becomes of the engine's own context menu. The engine offers what a
// browser with many windows would; Velmora has one window onto one site, so
// entries that open another window are dropped, and a link to another site
// is offered to the default browser instead of this window.
#pragma once

#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Where the link under the pointer leads.
enum class ContextLink {
  none,
  // The platform's own origin: it opens in the window.
  platform,
  // Another site over http or https: the default browser's.
  foreignWeb,
  // Anything else (mailto:, javascript:, a page's own data): neither the
  // window nor the browser opens it from here.
  other,
};

// `link` against the origins that are the platform's.
[[nodiscard]] ContextLink contextLinkKind(const std::optional<Url>& link,
                                          const std::vector<std::string>& platformOrigins);

// A platform link keeps "Open Link" and loses "Open Link in New Window";
// another site's link offers "Open Link in Browser" in their place and no
// "Download Linked File" (a page of another site is the browser's to save);
// other links lose all three. The new-window entries for images, frames
// and media are always dropped; every other entry stays.
[[nodiscard]] ContextMenuChange contextMenuChange(ContextMenuEntry entry, ContextLink link);

} // namespace velmora
