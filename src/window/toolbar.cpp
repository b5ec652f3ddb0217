#include "window/browser_window_controller.hpp"

namespace velmora {

std::vector<std::string> BrowserWindowController::toolbarDefaultItemIdentifiers() const {
  return {std::string(backItemID), std::string(flexibleSpaceItemIdentifier)};
}

std::vector<std::string> BrowserWindowController::toolbarAllowedItemIdentifiers() const {
  return toolbarDefaultItemIdentifiers();
}

std::optional<ToolbarItem>
BrowserWindowController::itemForItemIdentifier(const std::string& identifier,
                                               bool /*willBeInsertedIntoToolbar*/) const {
  if (identifier != backItemID)
    return std::nullopt;
  return ToolbarItem{.identifier = identifier,
                     .label = "Back",
                     .segmentLabels = {"\u2039", "\u203A"},
                     .segmentToolTips = {"Back", "Forward"},
                     .momentary = true,
                     .separated = true,
                     .navigational = true};
}

void BrowserWindowController::backForward(int selectedSegment) {
  if (selectedSegment == 0) {
    goBack();
  } else {
    goForward();
  }
}

} // namespace velmora
