// What the window does as the page loads: the progress of a slow load, the
// error screen when the server cannot be reached (and its way back to the
// page that failed), the last copy of a page shown read only while the
// server is down, recovery from a dead, hung or silent page with a bar
// that says so, and the sign-in e-mail a connect link left, filled in once
// the platform's sign-in page has loaded.
#pragma once

#include "connection/connection_steps.hpp"
#include "connection/server_address.hpp"
#include "navigation/last_copies.hpp"
#include "navigation/page_recovery.hpp"
#include "platform/connectivity.hpp"
#include "platform/desktop.hpp"
#include "platform/web_view.hpp"
#include "platform/window.hpp"

#include <functional>
#include <memory>

namespace velmora {

class PageLoads final : public LoadDelegate, public ConnectivityObserver {
public:
  // `loadHome` is what Try Again does after taking the screen away. Hears
  // of the network's return and the machine's wake from now on.
  PageLoads(Desktop& desktop, Window& window, WebView& webView, ServerAddressSetting& server,
            ConnectionSteps& connection, std::function<void()> loadHome);
  ~PageLoads() override;
  PageLoads(const PageLoads&) = delete;
  PageLoads& operator=(const PageLoads&) = delete;

  // The main frame's load events.
  void didStartProvisionalNavigation() override;
  void didCommitNavigation() override;
  void didFinishNavigation() override;
  void didFailProvisionalNavigation(const WebError& error) override;
  void estimatedProgressDidChange(double progress) override;
  void backForwardListDidChange() override;
  // The web process: a crash, the memory limit or our own end of a hung
  // page each leave a dead picture, and each is recovered the same way.
  void webProcessDidTerminate(WebProcessTermination reason) override;
  void webProcessResponsivenessDidChange(bool responsive) override;
  // The network's return and the machine's wake: the error screen checks at once.
  void networkDidBecomeAvailable() override { checkServerNow(); }
  void systemDidWake() override { checkServerNow(); }

  // The error screen: on show over the page until the next load starts or one
  // of its buttons is pressed.
  void showErrorScreen(const ErrorScreen& screen);
  void removeErrorOverlay();
  [[nodiscard]] bool hasErrorOverlay() const { return errorOverlay_ != nullptr; }
  void reloadFromOverlay();
  void changeServerFromOverlay();

  // The last copies of the platform's pages.
  [[nodiscard]] LastCopies& lastCopies() { return copies_; }
  // Shows a kept copy in the window, read only, with a bar that says so;
  // the quiet checks of the server go on, and the live page replaces the
  // copy once the server answers.
  void showLastCopy(Url copyAddress);
  // A link in a copy led to a page of which no copy is kept.
  void showNoCopyOf(const Url& page);
  // Removes every copy; a copy on show makes way for its live page.
  void forgetLastCopies();

private:
  void checkServerNow();
  // Loads the platform page that was on show when the web process ended, or
  // home when none was.
  void reloadAfterCrash();
  // The server answers again: loads the platform page the error screen
  // stood for, or home when it stood for none.
  void reconnect();
  void showNotice(const std::optional<PageNotice>& notice);
  // The copy on show, where one is.
  [[nodiscard]] std::optional<LastCopy> copyOnShow();
  // The bar's Try Again: the live page of the copy on show.
  void loadLiveAgain();

  Desktop& desktop_;
  Window& window_;
  WebView& webView_;
  ServerAddressSetting& server_;
  ConnectionSteps& connection_;
  std::function<void()> loadHome_;
  std::unique_ptr<View> errorOverlay_;
  std::optional<Url> failedPage_; // what the error screen on show stands for
  ErrorScreen lastScreen_;        // the error screen last shown
  PageRecovery recovery_;
  LastCopies copies_;
  // A copy is in the window (or loading there) in place of the live page.
  bool copyMode_ = false;
};

} // namespace velmora
