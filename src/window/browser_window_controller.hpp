// The controller of the application's one window. It owns the window, its
// toolbar and its web view, and answers every question the web view asks:
// navigation policy, page loads, dialogs, downloads and page messages. Its
// operations are defined in the folder of the concern they belong to; this
// header lists them all.
#pragma once

#include "navigation/page_recovery.hpp"
#include "platform/desktop.hpp"
#include "platform/menus.hpp"
#include "platform/url.hpp"
#include "platform/web_view.hpp"
#include "platform/window.hpp"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class BrowserWindowController final : public WebViewDelegate,
                                      public DownloadDelegate,
                                      public ToolbarDelegate,
                                      public ConnectivityObserver {
public:
  // The platform's default hosted address, used while nothing usable is
  // stored.
  static constexpr std::string_view suggestedServer = "https://app.haulvane.com";
  static constexpr std::string_view backItemID = "haulvaneBack";
  static constexpr std::string_view toolbarIdentifier = "HaulvaneNav";

  // Builds the window, toolbar and web view, then calls loadHome. The window
  // is not shown; showWindow does that.
  explicit BrowserWindowController(Desktop& desktop);
  ~BrowserWindowController() override;
  BrowserWindowController(const BrowserWindowController&) = delete;
  BrowserWindowController& operator=(const BrowserWindowController&) = delete;

  void showWindow();
  [[nodiscard]] bool isWindowVisible() const;

  // Server address (connection/server_address.cpp).
  [[nodiscard]] std::optional<std::string> storedServer() const;
  [[nodiscard]] Url serverURL() const;

  // Home loading (window/browser_window_controller.cpp).
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
  void printPage();
  void showFindBar();
  void findNext();
  void findPrevious();
  [[nodiscard]] bool validateMenuItem(std::optional<Action> action) const;

  // Go menu (bridge/go_menu.cpp).
  void goToPath(const std::optional<Url>& representedObject);
  void rebuildGoMenu(const std::vector<ScriptDictionary>& links);

  // Toolbar (window/toolbar.cpp).
  [[nodiscard]] std::vector<std::string> toolbarDefaultItemIdentifiers() const override;
  [[nodiscard]] std::vector<std::string> toolbarAllowedItemIdentifiers() const override;
  [[nodiscard]] std::optional<ToolbarItem>
  itemForItemIdentifier(const std::string& identifier,
                        bool willBeInsertedIntoToolbar) const override;
  void backForward(int selectedSegment) override;

  // Navigation policy (navigation/navigation_delegate.cpp).
  [[nodiscard]] bool isPlatformHost(const std::optional<Url>& url) const;
  void openIfSameServer(const Url& url);
  void decidePolicyForNavigationAction(
      const NavigationAction& action,
      std::function<void(NavigationActionPolicy)> decisionHandler) override;
  void decidePolicyForNavigationResponse(
      const NavigationResponse& response,
      std::function<void(NavigationResponsePolicy)> decisionHandler) override;
  void navigationActionDidBecomeDownload(Download& download) override;
  void navigationResponseDidBecomeDownload(Download& download) override;

  // Page loads and the error overlay (navigation/page_load.cpp).
  void didStartProvisionalNavigation() override;
  void didCommitNavigation() override;
  void didFinishNavigation() override;
  void didFailProvisionalNavigation(const WebError& error) override;
  void backForwardListDidChange() override;
  void showErrorOverlay(const std::string& message);
  void showErrorScreen(const ErrorScreen& screen);
  void removeErrorOverlay();
  void reloadFromOverlay();
  void changeServerFromOverlay();

  // Recovery of a dead, hung or silent page (navigation/page_load.cpp, with
  // the decisions in navigation/page_recovery.hpp).
  void webProcessDidTerminate(WebProcessTermination reason) override;
  void webProcessResponsivenessDidChange(bool responsive) override;
  void networkDidBecomeAvailable() override;
  void systemDidWake() override;

  // Pop-ups, script dialogs and permissions (navigation/ui_delegate.cpp).
  void createWebViewWithConfiguration(const NavigationAction& action) override;
  void requestGeolocationPermissionForOrigin(
      const std::string& originHost,
      std::function<void(PermissionDecision)> decisionHandler) override;
  void requestNotificationPermissionForOrigin(
      const std::string& originHost,
      std::function<void(PermissionDecision)> decisionHandler) override;
  void runJavaScriptAlertPanelWithMessage(const std::string& message,
                                          std::function<void()> completionHandler) override;
  void runJavaScriptConfirmPanelWithMessage(const std::string& message,
                                            std::function<void(bool)> completionHandler) override;
  void runJavaScriptTextInputPanelWithPrompt(
      const std::string& prompt, const std::optional<std::string>& defaultText,
      std::function<void(std::optional<std::string>)> completionHandler) override;

  // Connection (connection/connect_panel.cpp, verification.cpp,
  // connect_link.cpp).
  void showConnectPanel(bool firstRun);
  void verifyAndAdopt(const Url& base, const std::string& host, bool firstRun);
  void probeLegacy(const Url& base, const std::string& host, bool firstRun);
  void handleConnectLink(const Url& link);

  // Page messages and the dock badge (bridge/script_messages.cpp).
  void didReceiveScriptMessage(const ScriptMessage& message) override;

  // Downloads (downloads/downloads.cpp).
  void decideDestinationUsingResponse(
      DownloadIdentity download, const std::string& suggestedFilename,
      std::function<void(std::optional<std::filesystem::path>)> completionHandler) override;
  void downloadDidFinish(DownloadIdentity download) override;
  void didFailWithError(DownloadIdentity download, const WebError& error) override;
  void didReceiveData(DownloadIdentity download, std::uint64_t received,
                      std::uint64_t expected) override;

  // For tests and the backend: what the controller holds.
  [[nodiscard]] WebView& webViewForTesting() { return *webView; }
  [[nodiscard]] bool hasErrorOverlay() const { return errorOverlay != nullptr; }
  [[nodiscard]] const std::optional<std::string>& pendingEmailForTesting() const {
    return pendingEmail;
  }
  void setPendingEmailForTesting(std::optional<std::string> email) {
    pendingEmail = std::move(email);
  }
  [[nodiscard]] const std::map<DownloadIdentity, std::filesystem::path>&
  downloadDestinationsForTesting() const {
    return downloadDestinations;
  }

private:
  // The sign-in request: the server with "login" appended, default cache
  // policy, 60 seconds.
  [[nodiscard]] UrlRequest signInRequest() const;
  // Loads the platform page that was on show when the web process ended, or
  // home when none was.
  void reloadAfterCrash();

  // Stores `base` under serverURL and then runs `adopted`; when the store
  // cannot be written, tells the user and opens the address panel instead.
  void adoptServer(const Url& base, bool firstRun, const std::function<void()>& adopted);
  // Shows a failed connection step, then the address panel in the same form.
  void showFailureThenPanel(const Alert& alert, bool firstRun);
  // Sets the page zoom and saves it for the next run.
  void setPageZoom(double zoom);
  // Takes away every address panel on show, unanswered, and any still to
  // open: an address has just been settled, and an old panel's Connect or
  // Quit must not undo it.
  void closeAddressPanels();

  struct DownloadProgress {
    std::uint64_t received = 0;
    std::uint64_t expected = 0;
  };
  void updateDownloadProgress();

  Desktop& desktop;
  std::unique_ptr<Window> window;
  std::unique_ptr<WebView> webView;
  std::unique_ptr<View> errorOverlay;
  std::unique_ptr<PageRecovery> recovery;
  std::optional<std::string> pendingEmail;
  LocationService& locationManager;
  std::map<DownloadIdentity, std::filesystem::path> downloadDestinations;
  std::map<DownloadIdentity, DownloadProgress> downloadProgress;
  // What the dock icon's progress bar shows now; none while it is hidden.
  std::optional<double> dockProgress;
  // Set while the first-run panel waits on the main queue. A connect link
  // handled meanwhile takes over the connection step and clears it, so the
  // panel does not open on top of the link's own dialogs.
  bool firstRunPanelScheduled = false;
  // The address panels on show, and how often an address was settled, which
  // tells a panel still waiting for the clipboard that it is too late.
  std::set<AlertId> addressPanels;
  int addressesSettled = 0;
  // Lets network completions tell whether the controller still exists.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace velmora
