// The application's one window: it builds the window, its toolbar and its
// web view, and the parts that answer the web view, one per concern, each
// owning its own state and hearing of the engine straight from the view:
// the connection steps, the page's requests (navigation policy, pop-ups,
// dialogs, permissions, downloads admitted), the page loads and the error
// screen, the page bridge (badge and Go menu) and the downloads. What is
// left here are the window's commands that take more than one part.
#pragma once

#include "bridge/page_bridge.hpp"
#include "connection/connection_steps.hpp"
#include "connection/server_address.hpp"
#include "downloads/download_tracker.hpp"
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

class BrowserWindowController final : public ToolbarDelegate {
public:
  static constexpr std::string_view suggestedServer = ServerAddressSetting::suggestedServer;
  static constexpr std::string_view backItemID = "haulvaneBack";
  static constexpr std::string_view toolbarIdentifier = "HaulvaneNav";

  // Builds the window, toolbar and web view and the parts that answer the
  // view, then calls loadHome. The window is not shown; showWindow does
  // that. `goMenu` is the menu bar's live Go menu, null when there is none.
  BrowserWindowController(Desktop& desktop, Menu* goMenu);
  BrowserWindowController(const BrowserWindowController&) = delete;
  BrowserWindowController& operator=(const BrowserWindowController&) = delete;

  void showWindow();

  // Home loading: the sign-in page of the stored server, or the first-run
  // panel when nothing is stored.
  void loadHome();

  // The window's commands that take more than one part (window_commands.cpp).
  void reloadPage();
  void goHome();
  void goBack();
  void goForward();
  void zoomIn();
  void zoomOut();
  void zoomActual();
  // The platform page on show, to the clipboard or to the default browser.
  void copyPageAddress();
  void openPageInBrowser();
  [[nodiscard]] bool validateMenuItem(std::optional<Action> action) const;
  // The address of the platform page on show; none while the error screen
  // covers it, before any page, or for anything not the platform's.
  [[nodiscard]] std::optional<Url> pageAddressOnShow() const;

  // Toolbar (window/toolbar.cpp).
  [[nodiscard]] std::vector<std::string> toolbarDefaultItemIdentifiers() const override;
  [[nodiscard]] std::vector<std::string> toolbarAllowedItemIdentifiers() const override;
  [[nodiscard]] std::optional<ToolbarItem>
  itemForItemIdentifier(const std::string& identifier,
                        bool willBeInsertedIntoToolbar) const override;
  void backForward(int selectedSegment) override;

  // The parts, each the owner of its concern, for the menus to call.
  [[nodiscard]] Window& window() { return *window_; }
  [[nodiscard]] WebView& webView() { return *webView_; }
  [[nodiscard]] ConnectionSteps& connection() { return connection_; }
  [[nodiscard]] PageLoads& pageLoads() { return pageLoads_; }
  [[nodiscard]] PageRequests& requests() { return requests_; }
  [[nodiscard]] PageBridge& bridge() { return bridge_; }
  [[nodiscard]] DownloadTracker& downloads() { return downloads_; }

private:
  // Sets the page zoom and saves it for the next run.
  void setPageZoom(double zoom);

  Desktop& desktop_;
  ServerAddressSetting server_;
  std::unique_ptr<Window> window_;
  // Its callbacks go to the parts below, which hold it and so come after it.
  std::unique_ptr<WebView> webView_;
  ConnectionSteps connection_;
  PageLoads pageLoads_;
  PageRequests requests_;
  PageBridge bridge_;
  DownloadTracker downloads_;
};

} // namespace velmora
