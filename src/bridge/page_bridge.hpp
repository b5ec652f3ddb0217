// The window's end of the page contract: the unread count the badge hook
// posts becomes the dock badge, the links the navigation hook posts become
// the Go menu, whose entries open their pages in the window, and a set-up
// link the user clicked in the page is handed on. The count is also put in
// the window's title, which every desktop shows.
#pragma once

#include "bridge/dock_badge.hpp"
#include "platform/menus.hpp"
#include "platform/script_value.hpp"
#include "platform/web_view.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class PageBridge final : public ScriptMessageHandler {
public:
  // `goMenu` is the menu bar's live Go menu, or null while there is none;
  // `openIfSameServer` opens a chosen entry's address; `openConnectLink`
  // takes a set-up link the user clicked; `setWindowTitle` retitles the
  // window.
  PageBridge(DockTile& dockTile, MainQueue& queue, Menu* goMenu,
             std::function<void(const Url&)> openIfSameServer,
             std::function<void(const Url&)> openConnectLink,
             std::function<void(const std::string&)> setWindowTitle);

  void didReceiveScriptMessage(const ScriptMessage& message) override;
  // Replaces the Go menu's whole content with the entries for `links`.
  void rebuildGoMenu(const std::vector<ScriptDictionary>& links);
  void goToPath(const std::optional<Url>& representedObject);

private:
  DockBadge badge_;
  Menu* goMenu_;
  std::function<void(const Url&)> openIfSameServer_;
  std::function<void(const Url&)> openConnectLink_;
  std::function<void(const std::string&)> setWindowTitle_;
  std::string title_ = "Velmora"; // the title the window was made with
};

} // namespace velmora
