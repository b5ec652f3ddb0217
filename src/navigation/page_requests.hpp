// What the page asks of the window, answered by the navigation policy: where
// a navigation may go, what becomes of a response or a download, a new
// window, a dialog, a context menu entry, and access to the location or to
// notifications. Stateless: each answer is a decision of
// navigation_policy.hpp or context_menu.hpp, carried out here.
#pragma once

#include "connection/server_address.hpp"
#include "navigation/last_copy.hpp"
#include "platform/desktop.hpp"
#include "platform/web_view.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class PageRequests final : public NavigationDelegate, public UIDelegate {
public:
  // Where navigations on or to a last copy lead: the copies kept, and what
  // shows a copy or says none is kept of a page.
  struct CopyHandling {
    std::function<const LastCopyIndex&()> index;
    std::function<void(const Url&)> showCopy;
    std::function<void(const Url&)> showNoCopy;
  };
  // `removeErrorOverlay` clears the error screen before a load of our own;
  // `handleConnectLink` takes a set-up link the page may pass on; the
  // downloads it admits go on to `downloads`.
  PageRequests(Desktop& desktop, WebView& webView, ServerAddressSetting& server,
               DownloadDelegate& downloads, std::function<void()> removeErrorOverlay,
               std::function<void(const Url&)> handleConnectLink, CopyHandling copies);

  // Loads `url` only when its scheme and host are exactly the server's.
  void openIfSameServer(const Url& url);
  // A set-up link the user clicked in the page on show; passed on only while
  // that page is the platform's, never from any other site.
  void openConnectLinkFromPage(const Url& link);

  // Navigation.
  void decidePolicyForNavigationAction(const NavigationAction& action,
                                       std::function<void(NavigationActionPolicy)> decide) override;
  void
  decidePolicyForNavigationResponse(const NavigationResponse& response,
                                    std::function<void(NavigationResponsePolicy)> decide) override;
  void navigationActionDidBecomeDownload(Download& download) override { admitDownload(download); }
  void navigationResponseDidBecomeDownload(Download& download) override { admitDownload(download); }
  [[nodiscard]] std::vector<std::string> platformOrigins() const override;

  // What the page asks of the user.
  [[nodiscard]] NewWindowResponse
  createWebViewWithConfiguration(const NavigationAction& action) override;
  void
  requestGeolocationPermissionForOrigin(const std::optional<Url>& origin,
                                        std::function<void(PermissionDecision)> decide) override;
  void
  requestNotificationPermissionForOrigin(const std::optional<Url>& origin,
                                         std::function<void(PermissionDecision)> decide) override;
  void runJavaScriptAlertPanelWithMessage(const std::string& message,
                                          std::function<void()> completion) override;
  void runJavaScriptConfirmPanelWithMessage(const std::string& message,
                                            std::function<void(bool)> completion) override;
  void runJavaScriptTextInputPanelWithPrompt(
      const std::string& prompt, const std::optional<std::string>& defaultText,
      std::function<void(std::optional<std::string>)> completion) override;
  [[nodiscard]] ContextMenuChange contextMenuChange(ContextMenuEntry entry,
                                                    const std::optional<Url>& link) const override;
  void openLinkInBrowser(const Url& link) override;

private:
  // Hands a download that may start (see mayStartDownload) to the
  // downloads; stops any other before anything is saved.
  void admitDownload(Download& download);

  Desktop& desktop_;
  WebView& webView_;
  ServerAddressSetting& server_;
  DownloadDelegate& downloads_;
  std::function<void()> removeErrorOverlay_;
  std::function<void(const Url&)> handleConnectLink_;
  CopyHandling copies_;
};

} // namespace velmora
