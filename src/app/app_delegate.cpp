#include "app/app_delegate.hpp"

#include "connection/text.hpp"

#include <algorithm>

namespace velmora {
namespace {

bool hasConnectScheme(const Url& url) {
  return asciiLowercased(url.scheme().value_or("")) == "haulvane";
}

} // namespace

AppDelegate::AppDelegate(Desktop& desktop) : desktop(desktop) {}

void AppDelegate::applicationWillFinishLaunching() {
  goMenu = desktop.application.setMainMenu(buildMenu());
}

void AppDelegate::applicationDidFinishLaunching() {
  browser = std::make_unique<BrowserWindowController>(desktop, goMenu);
  browser->showWindow();
  desktop.application.activateIgnoringOtherApps();
  if (pendingLaunchURL) {
    // Cleared before the call, so the link is handled exactly once.
    const Url link = *std::exchange(pendingLaunchURL, std::nullopt);
    browser->handleConnectLink(link);
  }
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!hasVisibleWindows && browser)
    browser->showWindow();
  return true;
}

void AppDelegate::showPreferences() {
  if (browser)
    browser->showConnectPanel(false);
}

void AppDelegate::openURLs(const std::vector<Url>& urls) {
  const auto link = std::ranges::find_if(urls, hasConnectScheme);
  if (link == urls.end())
    return;
  if (browser) {
    browser->handleConnectLink(*link);
  } else {
    pendingLaunchURL = *link;
  }
}

void AppDelegate::perform(Action action, const std::optional<Url>& representedObject) {
  if (action == Action::showPreferences) {
    showPreferences();
    return;
  }
  if (!browser || !validate(action))
    return;
  BrowserWindowController& controller = *browser;
  switch (action) {
  case Action::reloadPage:
    controller.reloadPage();
    break;
  case Action::goHome:
    controller.goHome();
    break;
  case Action::zoomActual:
    controller.zoomActual();
    break;
  case Action::zoomIn:
    controller.zoomIn();
    break;
  case Action::zoomOut:
    controller.zoomOut();
    break;
  case Action::goToPath:
    controller.goToPath(representedObject);
    break;
  case Action::goBack:
    controller.goBack();
    break;
  case Action::goForward:
    controller.goForward();
    break;
  case Action::hide:
  case Action::performMiniaturize:
    controller.performMiniaturize();
    break;
  case Action::performZoom:
    controller.performZoom();
    break;
  case Action::printPage:
    controller.printPage();
    break;
  case Action::showFindBar:
    controller.showFindBar();
    break;
  case Action::findNext:
    controller.findNext();
    break;
  case Action::findPrevious:
    controller.findPrevious();
    break;
  // The backend carries out the application's and the editor's own
  // actions (about, shortcuts, quit, clipboard, undo) itself.
  default:
    break;
  }
}

bool AppDelegate::validate(Action action) const {
  switch (action) {
  case Action::showPreferences:
  case Action::orderFrontStandardAboutPanel:
  case Action::showKeyboardShortcuts:
  case Action::terminate:
    return true;
  default:
    // Window commands reach no one while there is no window.
    return browser && browser->validateMenuItem(action);
  }
}

} // namespace velmora
