#include "app/app_delegate.hpp"

#include "connection/connect_link_parser.hpp"

#include <algorithm>

namespace velmora {

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
    browser->connection().handleConnectLink(link);
  }
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!hasVisibleWindows && browser)
    browser->showWindow();
  return true;
}

void AppDelegate::showPreferences() {
  if (browser)
    browser->connection().showConnectPanel(false);
}

void AppDelegate::openURLs(const std::vector<Url>& urls) {
  const auto link = std::ranges::find_if(urls, hasConnectLinkScheme);
  if (link == urls.end())
    return;
  if (browser) {
    browser->connection().handleConnectLink(*link);
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
  // Every action is listed, so one added without a route does not build.
  switch (action) {
  case Action::reloadPage:
    return controller.reloadPage();
  case Action::goHome:
    return controller.goHome();
  case Action::zoomActual:
    return controller.zoomActual();
  case Action::zoomIn:
    return controller.zoomIn();
  case Action::zoomOut:
    return controller.zoomOut();
  case Action::copyPageAddress:
    return controller.copyPageAddress();
  case Action::openPageInBrowser:
    return controller.openPageInBrowser();
  case Action::goToPath:
    return controller.bridge().goToPath(representedObject);
  case Action::goBack:
    return controller.goBack();
  case Action::goForward:
    return controller.goForward();
  case Action::hide:
  case Action::performMiniaturize:
    return controller.window().miniaturize();
  case Action::performZoom:
    return controller.window().zoom();
  case Action::showDownloads:
    return controller.downloads().showDownloads();
  case Action::forgetLastCopies:
    return controller.pageLoads().forgetLastCopies();
  case Action::printPage:
    return controller.webView().print();
  case Action::showFindBar:
    return controller.webView().performTextFinderAction(TextFinderAction::showFindInterface);
  case Action::findNext:
    return controller.webView().performTextFinderAction(TextFinderAction::nextMatch);
  case Action::findPrevious:
    return controller.webView().performTextFinderAction(TextFinderAction::previousMatch);
  // The backend carries out the application's and the editor's own
  // actions itself; Settings… is handled above.
  case Action::orderFrontStandardAboutPanel:
  case Action::copySupportReport:
  case Action::toggleOpenAtLogin:
  case Action::showPreferences:
  case Action::showKeyboardShortcuts:
  case Action::hideOtherApplications:
  case Action::unhideAllApplications:
  case Action::terminate:
  case Action::undo:
  case Action::redo:
  case Action::cut:
  case Action::copy:
  case Action::paste:
  case Action::selectAll:
    return;
  }
}

bool AppDelegate::validate(Action action) const {
  switch (action) {
  case Action::showPreferences:
  case Action::orderFrontStandardAboutPanel:
  case Action::copySupportReport:
  case Action::toggleOpenAtLogin:
  case Action::showKeyboardShortcuts:
  case Action::terminate:
    return true;
  default:
    // Window commands reach no one while there is no window.
    return browser && browser->validateMenuItem(action);
  }
}

} // namespace velmora
