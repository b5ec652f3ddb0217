#include "bridge/page_bridge.hpp"

#include "bridge/go_menu.hpp"
#include "bridge/script_messages.hpp"

namespace velmora {

PageBridge::PageBridge(DockTile& dockTile, MainQueue& queue, Menu* goMenu,
                       std::function<void(const Url&)> openIfSameServer,
                       std::function<void(const Url&)> openConnectLink,
                       std::function<void(const std::string&)> setWindowTitle)
    : badge_(dockTile, queue), goMenu_(goMenu), openIfSameServer_(std::move(openIfSameServer)),
      openConnectLink_(std::move(openConnectLink)), setWindowTitle_(std::move(setWindowTitle)) {}

void PageBridge::didReceiveScriptMessage(const ScriptMessage& message) {
  if (message.name == "bellCount") {
    // The badge belongs to the application and only a page's report
    // changes it. The title costs the desktop nothing, so it follows every
    // report at once; only the dock's signal is held back.
    const std::int64_t count = countFromMessageBody(message.body);
    badge_.show(badgeLabelForCount(count));
    const std::string title = windowTitleForCount(count);
    if (title != title_) {
      title_ = title;
      setWindowTitle_(title);
    }
  } else if (message.name == "navLinks") {
    rebuildGoMenu(linkListFromMessageBody(message.body));
  } else if (message.name == "connectLink") {
    const std::string* text = message.body.string();
    if (const auto link = text ? Url::parse(*text) : std::nullopt)
      openConnectLink_(*link);
  }
}

void PageBridge::goToPath(const std::optional<Url>& representedObject) {
  if (representedObject)
    openIfSameServer_(*representedObject);
}

void PageBridge::rebuildGoMenu(const std::vector<ScriptDictionary>& links) {
  if (!goMenu_)
    return; // no menu bar
  goMenu_->removeAllItems();
  for (const GoMenuEntry& entry : buildGoMenuEntries(links))
    goMenu_->addItem(menuItemForGoMenuEntry(entry));
}

} // namespace velmora
