// The page view: a WebKitWebView whose signals are translated into core
// types and handed to the window controller, and whose answers are applied
// back to the engine. No decision is taken here. Its definitions are split
// by job: construction and commands (web_view.cpp), navigation policy and
// load events (web_view_policy.cpp), what else the page asks for
// (web_view_ui.cpp), and the web process's end and hangs
// (web_view_process.cpp).
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "gtk/find_bar.hpp"
#include "gtk/frame_target.hpp"
#include "gtk/print.hpp"
#include "gtk/swipe_gestures.hpp"
#include "platform/web_view.hpp"

#include <webkit/webkit.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::gtk {

class GtkDownload;

// Whether the machine has a GPU to draw with (a DRM render node). Without
// one, GL in any process means a software rasteriser.
[[nodiscard]] bool hasGpu();

// The engine context every page view of the application runs in: its web
// processes work under the application's memory limit.
[[nodiscard]] WebKitWebContext* applicationWebContext();

// Serves the kept last copies under their own scheme in `context`.
void serveLastCopies(WebKitWebContext* context);

// An address as the engine reports it, read as browsers write addresses;
// none for a null one.
[[nodiscard]] inline std::optional<Url> urlOf(const char* uri) {
  return uri ? Url::parseLenient(uri) : std::nullopt;
}

// A header of a request the engine reports; none for a missing request or
// header.
[[nodiscard]] inline std::optional<std::string> requestHeader(WebKitURIRequest* request,
                                                              const char* name) {
  SoupMessageHeaders* headers = request ? webkit_uri_request_get_http_headers(request) : nullptr;
  return headers ? stringOf(soup_message_headers_get_one(headers, name)) : std::nullopt;
}

// The most memory, in MB, a page's web process may use before the engine
// ends it; the window then reloads the page. Everyday platform pages use
// about a tenth of it, so only a page that leaks gets near it.
inline constexpr guint webProcessMemoryLimitMB = 2048;

// The script world the page scripts run in and post from. The page's own
// code lives in another world: it shares the document with the scripts but
// cannot see their globals or the message handlers, so it can neither forge
// nor flood the messages, nor switch the scripts off through their guards.
inline constexpr const char* pageScriptsWorld = "velmora";

class GtkWebView final : public WebView {
public:
  GtkWebView(WebKitNetworkSession* session, const WebViewConfiguration& configuration,
             WebViewDelegates delegates);
  ~GtkWebView() override;

  [[nodiscard]] GtkWidget* widget() const { return GTK_WIDGET(view_); }
  // What the window places: the find bar above the page.
  [[nodiscard]] GtkWidget* container() const { return container_.get(); }

  void loadRequest(const UrlRequest& request) override;
  void stopLoading() override;
  void reload() override;
  void goBack() override;
  void goForward() override;
  [[nodiscard]] bool canGoBack() const override;
  [[nodiscard]] bool canGoForward() const override;
  [[nodiscard]] double pageZoom() const override;
  void setPageZoom(double zoom) override;
  [[nodiscard]] std::optional<Url> url() const override;
  void evaluateJavaScript(const std::string& script) override;
  void print() override;
  void performTextFinderAction(TextFinderAction action) override;
  void terminateWebProcess() override;
  void saveArchive(std::function<void(std::optional<std::string>)> done) override;
  [[nodiscard]] std::optional<std::string>
  pageResponseHeader(const std::string& name) const override;

private:
  // Scripts run in every page but a last copy, which shows read only.
  void allowScriptsFor(const std::string& uri);
  void connectSignals(const WebViewConfiguration& configuration);
  void loadDidFail(const char* failingUri);

  static void onInitializeWebProcess(WebKitWebContext*, gpointer self);
  void sendPlatformOrigins();
  static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                 gpointer self);
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static void onProgressChanged(WebKitWebView*, GParamSpec*, gpointer self);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError*,
                               gpointer self);
  static gboolean onLoadFailedWithTlsErrors(WebKitWebView*, const char* uri, GTlsCertificate*,
                                            GTlsCertificateFlags, gpointer self);
  static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self);
  static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, WebKitHitTestResult*,
                                gpointer self);
  static void onOpenLinkInBrowser(GSimpleAction*, GVariant* link, gpointer self);
  static gboolean onPermissionRequest(WebKitWebView*, WebKitPermissionRequest*, gpointer self);
  static void onScriptMessage(WebKitUserContentManager*, JSCValue*, gpointer self);
  static void onBackForwardChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                   gpointer self);
  static void onDownloadStarted(WebKitNetworkSession*, WebKitDownload*, gpointer self);
  static gboolean onPrint(WebKitWebView*, WebKitPrintOperation*, gpointer self);
  static void onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                     gpointer self);
  static void onResponsivenessChanged(WebKitWebView*, GParamSpec*, gpointer self);
  static gboolean onPingDue(gpointer self);
  static void onPingAnswered(GObject* source, GAsyncResult* result, gpointer self);
  void resetPing();
  void reportResponsiveness();

  void decideNavigationAction(WebKitNavigationPolicyDecision* decision, bool newWindow);
  void decideResponse(WebKitResponsePolicyDecision* decision);
  void askResponsePolicy(const NavigationResponse& input,
                         const GObjectPtr<WebKitPolicyDecision>& decision);
  [[nodiscard]] FrameTarget frameTargetOf(WebKitNavigationAction* action);
  [[nodiscard]] DownloadStart downloadStartOf(WebKitDownload* download);

  WebViewDelegates delegates_;
  WebKitNetworkSession* session_;
  WebKitWebView* view_ = nullptr; // owned by the widget tree once placed
  GObjectPtr<WebKitWebView> viewRef_;
  GObjectPtr<WebKitUserContentManager> contentManager_;
  std::vector<ScopedSignal> signals_;
  std::unique_ptr<SwipeGestureWatch> swipeGestures_;
  std::map<WebKitDownload*, std::unique_ptr<GtkDownload>> downloads_;
  // The engine reports a stray "finished" after every failed load.
  bool lastLoadFailed_ = false;
  // Which frame each navigation is for, as far as can be told.
  FrameTargets frameTargets_;
  // The address of the navigation the engine asked about last.
  std::string lastNavigationUri_;
  // The platform's origins as the page guard in the web processes last
  // heard them.
  std::vector<std::string> sentOrigins_;
  // Whether the page answers: the engine's own judgement, and our ping's.
  bool engineResponsive_ = true;
  bool pingOutstanding_ = false;
  bool pingOverdue_ = false;
  bool reportedResponsive_ = true;
  SourceId pingTimer_;
  GObjectPtr<GCancellable> pingCancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  // Ends the saves of last copies under way with the view.
  GObjectPtr<GCancellable> copyCancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  GObjectPtr<GtkWidget> container_; // the find bar above the page
  std::unique_ptr<FindBar> findBar_;
  PagePrinter printer_;
  // The context menu's "Open Link in Browser", with the link as its target.
  GObjectPtr<GSimpleAction> openLinkInBrowser_ = GObjectPtr<GSimpleAction>::adopt(
      g_simple_action_new("open-link-in-browser", G_VARIANT_TYPE_STRING));
};

} // namespace velmora::gtk
