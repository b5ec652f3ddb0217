#include "navigation/context_menu.hpp"

#include "platform/text.hpp"

#include <algorithm>

namespace velmora {

ContextLink contextLinkKind(const std::optional<Url>& link,
                            const std::vector<std::string>& platformOrigins) {
  if (!link)
    return ContextLink::none;
  const std::string scheme = asciiLowercased(link->scheme().value_or(""));
  const std::optional<std::string> origin = link->origin();
  if ((scheme != "http" && scheme != "https") || !origin)
    return ContextLink::other;
  if (std::ranges::find(platformOrigins, *origin) != platformOrigins.end())
    return ContextLink::platform;
  return ContextLink::foreignWeb;
}

ContextMenuChange contextMenuChange(ContextMenuEntry entry, ContextLink link) {
  switch (entry) {
  case ContextMenuEntry::openLink:
    if (link == ContextLink::foreignWeb)
      return ContextMenuChange::openLinkInBrowser;
    return link == ContextLink::platform ? ContextMenuChange::keep : ContextMenuChange::remove;
  case ContextMenuEntry::openLinkInNewWindow:
    return link == ContextLink::foreignWeb ? ContextMenuChange::openLinkInBrowser
                                           : ContextMenuChange::remove;
  case ContextMenuEntry::downloadLinkedFile:
    return link == ContextLink::platform ? ContextMenuChange::keep : ContextMenuChange::remove;
  case ContextMenuEntry::openImageInNewWindow:
  case ContextMenuEntry::openFrameInNewWindow:
  case ContextMenuEntry::openMediaInNewWindow:
    return ContextMenuChange::remove;
  case ContextMenuEntry::other:
    return ContextMenuChange::keep;
  }
  return ContextMenuChange::keep;
}

} // namespace velmora
