// What the core needs of the web engine: the commands it gives the page view,
// and the callbacks through which the engine asks the window controller what
// to do. Every callback arrives on the main thread, in page order, and every
// answer is given exactly once through the handler passed with it.
#pragma once

#include "platform/script_value.hpp"
#include "platform/url.hpp"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// A main-frame load the core asks for.
struct UrlRequest {
  enum class CachePolicy { useProtocolCachePolicy };
  Url url;
  CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy;
  // What every load of the application asks for; the engine applies
  // neither, so the page recovery enforces the time limit.
  std::chrono::seconds timeout{60};

  friend bool operator==(const UrlRequest&, const UrlRequest&) = default;
};

// Where a navigation action is headed.
enum class FrameTarget {
  newWindow, // no frame: a link or script aimed at a new window
  mainFrame,
  subframe,
};

struct NavigationAction {
  std::optional<Url> url; // none when the request's URL could not be read
  FrameTarget targetFrame = FrameTarget::mainFrame;
  // The user's own click or key started it, not a script on its own.
  bool userGesture = true;
  // A step back or forward in the page's history (the engine takes it for
  // a script's unless the user clicked).
  bool historyStep = false;
};

struct NavigationResponse {
  std::optional<Url> url;
  bool isForMainFrame = true;
  bool canShowMimeType = true;
};

// Why the engine's web process, which draws the page and runs its scripts,
// ended. Whatever the reason, the page on show is dead until loaded again.
enum class WebProcessTermination {
  crashed,
  exceededMemoryLimit,
  terminatedByApplication, // asked for with WebView::terminateWebProcess
};

enum class NavigationActionPolicy { cancel, allow };
// What becomes of a page's request for a new window. The engine never gets
// one: the request is loaded in the one window, or dropped.
enum class NewWindowResponse {
  none,            // nothing is loaded; the page's window.open() gets null
  loadRequestHere, // the page's own request (method, headers, body) loads in this view
};
enum class NavigationResponsePolicy { cancel, allow, download };
enum class PermissionDecision { grant, deny };

// A failed load or download, already translated from the toolkit's error.
struct WebError {
  // Codes as the core knows them, whatever the engine's domain: a load that
  // was cancelled, that the policy turned away or into a download, and one
  // for an address no frame can show (mailto:, tel:, ...).
  static constexpr int cancelled = -999;
  static constexpr int frameLoadInterruptedByPolicyChange = 102;
  static constexpr int cannotShowURL = 101;

  int code = 0;
  std::string localizedDescription;
  // The address whose load failed, where the engine says it.
  std::optional<Url> failingURL{};
};

struct ScriptMessage {
  std::string name;
  ScriptValue body;
};

// One running download. Its identity stays the same from start to end and is
// never reused while the download is alive.
using DownloadIdentity = std::uintptr_t;

class DownloadDelegate {
public:
  virtual ~DownloadDelegate() = default;
  // Asks where to save; `completionHandler` is called exactly once, with an
  // absolute path, or with none to cancel the download. The path names an
  // empty file the delegate created for this download, which the engine
  // replaces with the download.
  virtual void decideDestinationUsingResponse(
      DownloadIdentity download, const std::string& suggestedFilename,
      std::function<void(std::optional<std::filesystem::path>)> completionHandler) = 0;
  // The file is complete at its destination.
  virtual void downloadDidFinish(DownloadIdentity download) = 0;
  // The download stopped early; no finish follows.
  virtual void didFailWithError(DownloadIdentity download, const WebError& error) = 0;
  // Bytes received so far and expected in all (0 when unknown).
  virtual void didReceiveData(DownloadIdentity download, std::uint64_t received,
                              std::uint64_t expected) = 0;
};

// What the engine tells of how a download started: who asked for it and
// whether the user did.
struct DownloadStart {
  std::optional<Url> url;
  // The Referer of the request: the page that asked (only its origin when
  // that lies on another site). A page can leave it out, never forge it.
  std::optional<Url> referrer;
  // The request's Sec-Fetch-Site as the engine set it once the request went
  // out: "same-origin", "same-site", "cross-site", or "none" for a load the
  // application made itself. None when the request never reached the
  // network (a download link the engine saves at once).
  std::optional<std::string> fetchSite;
  // A click or key of the user's started it, not a script on its own.
  bool userGesture = false;
};

class Download {
public:
  virtual ~Download() = default;
  [[nodiscard]] virtual DownloadIdentity identity() const = 0;
  [[nodiscard]] virtual const DownloadStart& start() const = 0;
  // The delegate receives every later callback of this download.
  virtual void setDelegate(DownloadDelegate& delegate) = 0;
  // Stops the download before anything is saved; no callback follows.
  virtual void cancel() = 0;
};

// The engine's entries that need a decision; everything else is `other`.
enum class ContextMenuEntry {
  openLink,
  openLinkInNewWindow,
  downloadLinkedFile,
  openImageInNewWindow,
  openFrameInNewWindow,
  openMediaInNewWindow,
  other,
};

enum class ContextMenuChange {
  keep,
  remove,
  // Becomes "Open Link in Browser", which hands the link to the default
  // browser; one such entry at most.
  openLinkInBrowser,
};

// Each concern of the page has a delegate of its own, so a call from the
// engine goes straight to the part of the window that owns the answer.

// Where the page may go and what becomes of what it fetches.
class NavigationDelegate {
public:
  virtual ~NavigationDelegate() = default;
  // Asked before every navigation and before a response is shown.
  virtual void
  decidePolicyForNavigationAction(const NavigationAction& action,
                                  std::function<void(NavigationActionPolicy)> decisionHandler) = 0;
  virtual void decidePolicyForNavigationResponse(
      const NavigationResponse& response,
      std::function<void(NavigationResponsePolicy)> decisionHandler) = 0;
  virtual void navigationActionDidBecomeDownload(Download& download) = 0;
  virtual void navigationResponseDidBecomeDownload(Download& download) = 0;
  // The origins whose frames may speak for the platform (raise dialogs, ask
  // for the location); every other frame is kept quiet inside the page.
  // Asked whenever a page's process starts and at every load, so a new
  // server address counts from its first page on.
  [[nodiscard]] virtual std::vector<std::string> platformOrigins() const = 0;
};

// The main frame's loads and the health of the process that draws the page.
class LoadDelegate {
public:
  virtual ~LoadDelegate() = default;
  // A load that starts then either commits (its response has arrived and is
  // being shown) and finishes, or fails.
  virtual void didStartProvisionalNavigation() = 0;
  virtual void didCommitNavigation() = 0;
  virtual void didFinishNavigation() = 0;
  virtual void didFailProvisionalNavigation(const WebError& error) = 0;
  // The engine's estimate of how far the main frame's load has come, 0 to
  // 1; it reaches 1 however the load ends.
  virtual void estimatedProgressDidChange(double progress) = 0;
  // The web process ended: the page on show is a dead picture until reloaded.
  virtual void webProcessDidTerminate(WebProcessTermination reason) = 0;
  // The web process stopped answering the engine (a script in an endless
  // loop, say), or answers again.
  virtual void webProcessResponsivenessDidChange(bool responsive) = 0;
  // The back/forward list changed (menus and buttons re-validate).
  virtual void backForwardListDidChange() = 0;
};

// What the page asks of the user: new windows, dialogs, permissions, and
// the entries of its context menu.
class UIDelegate {
public:
  virtual ~UIDelegate() = default;
  // The page asks for a new window; the engine never gets one.
  [[nodiscard]] virtual NewWindowResponse
  createWebViewWithConfiguration(const NavigationAction& action) = 0;
  // `origin` is the address of the page that asked.
  virtual void requestGeolocationPermissionForOrigin(
      const std::optional<Url>& origin,
      std::function<void(PermissionDecision)> decisionHandler) = 0;
  virtual void requestNotificationPermissionForOrigin(
      const std::optional<Url>& origin,
      std::function<void(PermissionDecision)> decisionHandler) = 0;
  virtual void runJavaScriptAlertPanelWithMessage(const std::string& message,
                                                  std::function<void()> completionHandler) = 0;
  virtual void
  runJavaScriptConfirmPanelWithMessage(const std::string& message,
                                       std::function<void(bool)> completionHandler) = 0;
  virtual void runJavaScriptTextInputPanelWithPrompt(
      const std::string& prompt, const std::optional<std::string>& defaultText,
      std::function<void(std::optional<std::string>)> completionHandler) = 0;
  // The engine's context menu is about to show with `entry`; `link` is the
  // link under the pointer, none when there is no link there.
  [[nodiscard]] virtual ContextMenuChange
  contextMenuChange(ContextMenuEntry entry, const std::optional<Url>& link) const = 0;
  // The user chose "Open Link in Browser" for `link`.
  virtual void openLinkInBrowser(const Url& link) = 0;
};

class ScriptMessageHandler {
public:
  virtual ~ScriptMessageHandler() = default;
  // A page posted to window.webkit.messageHandlers.NAME.
  virtual void didReceiveScriptMessage(const ScriptMessage& message) = 0;
};

// Who answers the engine, one per concern. Each must outlive the web view.
struct WebViewDelegates {
  NavigationDelegate& navigation;
  LoadDelegate& loads;
  UIDelegate& ui;
  ScriptMessageHandler& messages;
};

struct UserScript {
  std::string_view source;
  // Both are fixed for our scripts: run at document end, in the main frame
  // only; kept explicit so a reader sees where they run.
  bool injectAtDocumentEnd = true;
  bool forMainFrameOnly = true;
};

struct WebViewConfiguration {
  // Cookies and site data are kept on disk across launches.
  bool persistentDataStore = true;
  // Appended to the engine's own user agent: "VelmoraMac/1.1".
  std::string applicationNameForUserAgent;
  std::vector<UserScript> userScripts;
  std::vector<std::string> scriptMessageHandlerNames;
  bool allowsBackForwardNavigationGestures = true;
};

// What the page's find bar is asked to do.
enum class TextFinderAction {
  showFindInterface, // open it with the keyboard in its field
  nextMatch,         // open it if need be and step to the next match
  previousMatch,
};

class WebView {
public:
  virtual ~WebView() = default;
  virtual void loadRequest(const UrlRequest& request) = 0;
  // Stops the load under way; the engine reports it as cancelled.
  virtual void stopLoading() = 0;
  virtual void reload() = 0;
  virtual void goBack() = 0;
  virtual void goForward() = 0;
  [[nodiscard]] virtual bool canGoBack() const = 0;
  [[nodiscard]] virtual bool canGoForward() const = 0;
  [[nodiscard]] virtual double pageZoom() const = 0;
  virtual void setPageZoom(double zoom) = 0;
  // The current page's address; none before anything has loaded.
  [[nodiscard]] virtual std::optional<Url> url() const = 0;
  // Runs a script in the page; its result and errors are ignored.
  virtual void evaluateJavaScript(const std::string& script) = 0;
  // Opens the print dialog for the page on show.
  virtual void print() = 0;
  // The find bar over the page; it searches as the user types.
  virtual void performTextFinderAction(TextFinderAction action) = 0;
  // Ends the web process at once, for a page that no longer answers; the
  // delegate then hears of it as terminatedByApplication.
  virtual void terminateWebProcess() = 0;
  // Saves the page on show as one archive of what is on screen (its
  // document as scripts left it, with its style sheets and images); `done`
  // gets the archive's bytes, or none when it could not be saved. The work
  // is done by the engine and its streams while the main thread goes on.
  virtual void saveArchive(std::function<void(std::optional<std::string>)> done) = 0;
  // A header of the answer the page on show came with; none before any
  // page, or when the answer had no such header.
  [[nodiscard]] virtual std::optional<std::string>
  pageResponseHeader(const std::string& name) const = 0;
};

} // namespace velmora
