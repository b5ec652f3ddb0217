// The page view: a WebKitWebView whose signals are translated into core
// types and handed to the window controller, and whose answers are applied
// back to the engine. No decision is taken here.
#pragma once

#include "platform/gtk/glib_ptr.hpp"
#include "platform/gtk/swipe_gestures.hpp"
#include "platform/web_view.hpp"

#include <webkit/webkit.h>

#include <deque>
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

// The script world the page scripts run in and post from. The page's own
// code lives in another world: it shares the document with the scripts but
// cannot see their globals or the message handlers, so it can neither forge
// nor flood the messages, nor switch the scripts off through their guards.
inline constexpr const char* pageScriptsWorld = "velmora";

class GtkWebView final : public WebView {
public:
  GtkWebView(WebKitNetworkSession* session, const WebViewConfiguration& configuration,
             WebViewDelegate& delegate);
  ~GtkWebView() override;

  [[nodiscard]] GtkWidget* widget() const { return GTK_WIDGET(view_); }

  void loadRequest(const UrlRequest& request) override;
  void reload() override;
  void goBack() override;
  void goForward() override;
  [[nodiscard]] bool canGoBack() const override;
  [[nodiscard]] bool canGoForward() const override;
  [[nodiscard]] double pageZoom() const override;
  void setPageZoom(double zoom) override;
  [[nodiscard]] std::optional<Url> url() const override;
  void evaluateJavaScript(const std::string& script) override;

private:
  void connectSignals(const WebViewConfiguration& configuration);
  void forgetApplicationLoad(const char* failingUri);

  static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                 gpointer self);
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError*,
                               gpointer self);
  static gboolean onLoadFailedWithTlsErrors(WebKitWebView*, const char* uri, GTlsCertificate*,
                                            GTlsCertificateFlags, gpointer self);
  static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self);
  static gboolean onPermissionRequest(WebKitWebView*, WebKitPermissionRequest*, gpointer self);
  static void onScriptMessage(WebKitUserContentManager*, JSCValue*, gpointer self);
  static void onBackForwardChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                   gpointer self);
  static void onDownloadStarted(WebKitNetworkSession*, WebKitDownload*, gpointer self);

  void decideNavigationAction(WebKitNavigationPolicyDecision* decision, bool newWindow);
  void decideResponse(WebKitResponsePolicyDecision* decision);
  void askResponsePolicy(const NavigationResponse& input,
                         const GObjectPtr<WebKitPolicyDecision>& decision);
  [[nodiscard]] FrameTarget frameTargetOf(WebKitNavigationAction* action);
  [[nodiscard]] std::string currentHost() const;

  WebViewDelegate& delegate_;
  WebKitNetworkSession* session_;
  WebKitWebView* view_ = nullptr; // owned by the widget tree once placed
  GObjectPtr<WebKitWebView> viewRef_;
  GObjectPtr<WebKitUserContentManager> contentManager_;
  std::vector<ScopedSignal> signals_;
  std::unique_ptr<SwipeGestureWatch> swipeGestures_;
  std::map<WebKitDownload*, std::unique_ptr<GtkDownload>> downloads_;
  // The engine reports a stray "finished" after every failed load.
  bool lastLoadFailed_ = false;
  // Main-frame loads the application itself asked for and the engine has
  // not yet asked about: always the main frame's. Several can be under way
  // when one replaces another.
  std::deque<std::string> applicationLoads_;
  // Addresses let through as subframe loads on a guess. Should one of them
  // turn up as the main frame's response, it is judged again as a main-frame
  // navigation before anything of it is shown. Only the latest few matter:
  // the response follows its navigation closely.
  std::deque<std::string> guessedSubframeUris_;
  // The request of the pop-up the controller is deciding about, so that a
  // load of it keeps the page's method, headers and body.
  WebKitURIRequest* popUpRequest_ = nullptr;
};

} // namespace velmora::gtk
