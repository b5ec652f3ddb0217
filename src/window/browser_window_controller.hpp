// The controller of the application's one window. It owns the window, its
// toolbar and its web view, and answers every question the web view asks.
// The work is done by one part per concern, each owning its own state: the
// connection steps, the page's requests (navigation policy, pop-ups,
// dialogs, permissions), the page loads and the error screen, the page
// bridge (badge and Go menu) and the downloads. The operations here keep
// their familiar names and hand each call to its part.
#pragma once

#include "bridge/page_bridge.hpp"
#include "connection/connection_steps.hpp"
#include "connection/server_address.hpp"
#include "downloads/download_tracker.hpp"
#include "navigation/context_menu.hpp"
#include "navigation/navigation_policy.hpp"
#include "navigation/page_loads.hpp"
#include "navigation/page_requests.hpp"
#include "platform/desktop.hpp"
#include "platform/menus.hpp"
#include "platform/web_view.hpp"
#include "platform/window.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class BrowserWindowController final : public WebViewDelegate,
                                      public DownloadDelegate,
                                      public ToolbarDelegate,
                                      public ConnectivityObserver {
public:
  static constexpr std::string_view suggestedServer = ServerAddressSetting::suggestedServer;
  static constexpr std::string_view backItemID = "haulvaneBack";
  static constexpr std::string_view toolbarIdentifier = "HaulvaneNav";

  // Builds the window, toolbar and web view, then calls loadHome. The window
  // is not shown; showWindow does that. `goMenu` is the menu bar's live Go
  // menu, null when there is no menu bar.
  BrowserWindowController(Desktop& desktop, Menu* goMenu);
  ~BrowserWindowController() override;
  BrowserWindowController(const BrowserWindowController&) = delete;
  BrowserWindowController& operator=(const BrowserWindowController&) = delete;

  void showWindow();

  // Server address.
  [[nodiscard]] std::optional<std::string> storedServer() const { return server.storedServer(); }
  [[nodiscard]] Url serverURL() const { return server.serverURL(); }

  // Home loading: the sign-in page of the stored server, or the first-run
  // panel when nothing is stored.
  void loadHome();

  // Window commands (window/window_commands.cpp).
  void reloadPage();
  void goHome();
  void goBack();
  void goForward();
  void zoomIn();
  void zoomOut();
  void zoomActual();
  void performMiniaturize();
  void performZoom();
  void showDownloads() { downloads.showDownloads(); }
  void printPage();
  void showFindBar();
  void findNext();
  void findPrevious();
  // The platform page on show, to the clipboard or to the default browser.
  void copyPageAddress();
  void openPageInBrowser();
  // Removes every last copy of the platform's pages.
  void forgetLastCopies() { pageLoads.forgetLastCopies(); }
  [[nodiscard]] bool validateMenuItem(std::optional<Action> action) const;

  // Toolbar (window/toolbar.cpp).
  [[nodiscard]] std::vector<std::string> toolbarDefaultItemIdentifiers() const override;
  [[nodiscard]] std::vector<std::string> toolbarAllowedItemIdentifiers() const override;
  [[nodiscard]] std::optional<ToolbarItem>
  itemForItemIdentifier(const std::string& identifier,
                        bool willBeInsertedIntoToolbar) const override;
  void backForward(int selectedSegment) override;

  // Go menu.
  void goToPath(const std::optional<Url>& representedObject) { bridge.goToPath(representedObject); }
  void rebuildGoMenu(const std::vector<ScriptDictionary>& links) { bridge.rebuildGoMenu(links); }

  // Navigation policy.
  void openIfSameServer(const Url& url) { requests.openIfSameServer(url); }
  void decidePolicyForNavigationAction(
      const NavigationAction& action,
      std::function<void(NavigationActionPolicy)> decisionHandler) override {
    requests.decidePolicyForNavigationAction(action, std::move(decisionHandler));
  }
  void decidePolicyForNavigationResponse(
      const NavigationResponse& response,
      std::function<void(NavigationResponsePolicy)> decisionHandler) override {
    requests.decidePolicyForNavigationResponse(response, std::move(decisionHandler));
  }
  void navigationActionDidBecomeDownload(Download& download) override {
    if (requests.admitDownload(download))
      download.setDelegate(*this);
  }
  void navigationResponseDidBecomeDownload(Download& download) override {
    if (requests.admitDownload(download))
      download.setDelegate(*this);
  }
  [[nodiscard]] std::vector<std::string> platformOrigins() const override {
    return requests.platformOrigins();
  }
  [[nodiscard]] ContextMenuChange contextMenuChange(ContextMenuEntry entry,
                                                    const std::optional<Url>& link) const override {
    return velmora::contextMenuChange(entry, contextLinkKind(link, platformOrigins()));
  }
  void openLinkInBrowser(const Url& link) override {
    // Only what the menu offered: another site's web page.
    if (contextLinkKind(link, platformOrigins()) == ContextLink::foreignWeb)
      desktop.workspace.openURL(link);
  }

  // Page loads and the error overlay.
  void didStartProvisionalNavigation() override { pageLoads.didStart(); }
  void didCommitNavigation() override { pageLoads.didCommit(); }
  void didFinishNavigation() override { pageLoads.didFinish(); }
  void didFailProvisionalNavigation(const WebError& error) override { pageLoads.didFail(error); }
  void estimatedProgressDidChange(double progress) override { pageLoads.progressChanged(progress); }
  void backForwardListDidChange() override { desktop.application.invalidateMenuItems(); }
  void showErrorOverlay(const std::string& message) {
    pageLoads.showErrorScreen(ErrorScreen{ErrorScreen::Kind::unreachable, message});
  }
  void removeErrorOverlay() { pageLoads.removeErrorOverlay(); }
  void reloadFromOverlay() { pageLoads.reloadFromOverlay(); }
  void changeServerFromOverlay() { pageLoads.changeServerFromOverlay(); }

  // Recovery of a dead, hung or silent page.
  void webProcessDidTerminate(WebProcessTermination) override {
    // A crash, the memory limit or our own end of a hung page: each leaves
    // a dead picture, and each is recovered the same way.
    pageLoads.webProcessEnded();
  }
  void webProcessResponsivenessDidChange(bool responsive) override {
    pageLoads.responsivenessChanged(responsive);
  }
  void networkDidBecomeAvailable() override { pageLoads.checkServerNow(); }
  void systemDidWake() override { pageLoads.checkServerNow(); }

  // Pop-ups, script dialogs and permissions.
  [[nodiscard]] NewWindowResponse
  createWebViewWithConfiguration(const NavigationAction& action) override {
    return requests.createWebView(action);
  }
  void requestGeolocationPermissionForOrigin(
      const std::optional<Url>& origin,
      std::function<void(PermissionDecision)> decisionHandler) override {
    requests.requestGeolocationPermission(origin, std::move(decisionHandler));
  }
  void requestNotificationPermissionForOrigin(
      const std::optional<Url>& origin,
      std::function<void(PermissionDecision)> decisionHandler) override {
    requests.requestNotificationPermission(origin, std::move(decisionHandler));
  }
  void runJavaScriptAlertPanelWithMessage(const std::string& message,
                                          std::function<void()> completionHandler) override {
    requests.runAlertPanel(message, std::move(completionHandler));
  }
  void runJavaScriptConfirmPanelWithMessage(const std::string& message,
                                            std::function<void(bool)> completionHandler) override {
    requests.runConfirmPanel(message, std::move(completionHandler));
  }
  void runJavaScriptTextInputPanelWithPrompt(
      const std::string& prompt, const std::optional<std::string>& defaultText,
      std::function<void(std::optional<std::string>)> completionHandler) override {
    requests.runTextInputPanel(prompt, defaultText, std::move(completionHandler));
  }

  // Connection.
  void showConnectPanel(bool firstRun) { connection.showConnectPanel(firstRun); }
  void verifyAndAdopt(const ServerAddress& address, bool firstRun) {
    connection.verifyAndAdopt(address, firstRun);
  }
  void handleConnectLink(const Url& link) { connection.handleConnectLink(link); }

  // Page messages and the dock badge.
  void didReceiveScriptMessage(const ScriptMessage& message) override {
    bridge.didReceiveScriptMessage(message);
  }

  // Downloads.
  void decideDestinationUsingResponse(
      DownloadIdentity download, const std::string& suggestedFilename,
      std::function<void(std::optional<std::filesystem::path>)> completionHandler) override {
    downloads.decideDestinationUsingResponse(download, suggestedFilename,
                                             std::move(completionHandler));
  }
  void downloadDidFinish(DownloadIdentity download) override {
    downloads.downloadDidFinish(download);
  }
  void didFailWithError(DownloadIdentity download, const WebError& error) override {
    downloads.didFailWithError(download, error);
  }
  void didReceiveData(DownloadIdentity download, std::uint64_t received,
                      std::uint64_t expected) override {
    downloads.didReceiveData(download, received, expected);
  }

  // For tests and the backend: what the parts hold.
  [[nodiscard]] WebView& webViewForTesting() { return *webView; }
  [[nodiscard]] bool hasErrorOverlay() const { return pageLoads.hasErrorOverlay(); }
  // The address of the platform page on show; none while the error screen
  // covers it, before any page, or for anything not the platform's.
  [[nodiscard]] std::optional<Url> pageAddressOnShow() const;
  [[nodiscard]] const std::optional<std::string>& pendingEmailForTesting() const {
    return connection.pendingEmail();
  }
  void setPendingEmailForTesting(std::optional<std::string> email) {
    connection.setPendingEmail(std::move(email));
  }
  [[nodiscard]] const std::map<DownloadIdentity, std::filesystem::path>&
  downloadDestinationsForTesting() const {
    return downloads.destinations();
  }

private:
  // Sets the page zoom and saves it for the next run.
  void setPageZoom(double zoom);

  Desktop& desktop;
  ServerAddressSetting server;
  std::unique_ptr<Window> window;
  std::unique_ptr<WebView> webView;
  ConnectionSteps connection;
  PageLoads pageLoads;
  PageRequests requests;
  PageBridge bridge;
  DownloadTracker downloads;
};

} // namespace velmora
