// What the page asks of the window, answered by the navigation policy: where
// a navigation may go, what becomes of a response, a new window, a dialog,
// and access to the location or to notifications. Stateless: each answer is
// a decision of navigation_policy.hpp, carried out here.
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

class PageRequests {
public:
  // Where navigations on or to a last copy lead: the copies kept, and what
  // shows a copy or says none is kept of a page.
  struct CopyHandling {
    std::function<const LastCopyIndex&()> index;
    std::function<void(const Url&)> showCopy;
    std::function<void(const Url&)> showNoCopy;
  };
  // `removeErrorOverlay` clears the error screen before a load of our own;
  // `handleConnectLink` takes a set-up link the page may pass on.
  PageRequests(Desktop& desktop, WebView& webView, ServerAddressSetting& server,
               std::function<void()> removeErrorOverlay,
               std::function<void(const Url&)> handleConnectLink, CopyHandling copies);

  // Loads `url` only when its scheme and host are exactly the server's.
  void openIfSameServer(const Url& url);
  // A set-up link the user clicked in the page on show; passed on only while
  // that page is the platform's, never from any other site.
  void openConnectLinkFromPage(const Url& link);

  void decidePolicyForNavigationAction(const NavigationAction& action,
                                       std::function<void(NavigationActionPolicy)> decide);
  void decidePolicyForNavigationResponse(const NavigationResponse& response,
                                         std::function<void(NavigationResponsePolicy)> decide);
  [[nodiscard]] NewWindowResponse createWebView(const NavigationAction& action);
  void requestGeolocationPermission(const std::optional<Url>& origin,
                                    std::function<void(PermissionDecision)> decide);
  void requestNotificationPermission(const std::optional<Url>& origin,
                                     std::function<void(PermissionDecision)> decide);
  // False, with the download stopped, for one that may not start (see
  // mayStartDownload).
  [[nodiscard]] bool admitDownload(Download& download);
  [[nodiscard]] std::vector<std::string> platformOrigins() const;
  void runAlertPanel(const std::string& message, std::function<void()> completion);
  void runConfirmPanel(const std::string& message, std::function<void(bool)> completion);
  void runTextInputPanel(const std::string& prompt, const std::optional<std::string>& defaultText,
                         std::function<void(std::optional<std::string>)> completion);

private:
  Desktop& desktop_;
  WebView& webView_;
  ServerAddressSetting& server_;
  std::function<void()> removeErrorOverlay_;
  std::function<void(const Url&)> handleConnectLink_;
  CopyHandling copies_;
};

} // namespace velmora
