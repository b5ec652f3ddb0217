#include "platform/gtk/web_view.hpp"

#include "platform/gtk/download.hpp"
#include "platform/gtk/engine_url.hpp"
#include "platform/gtk/frame_target.hpp"

#include <algorithm>

#include <filesystem>

namespace velmora::gtk {
namespace {

// How many guessed subframe addresses are remembered for a second look.
constexpr size_t guessedSubframeMemory = 64;
// How many of the application's own loads may wait to be asked about; more
// than a couple only when one never got that far.
constexpr size_t applicationLoadMemory = 8;

std::optional<std::string> stringOf(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

// The code other engines give a load refused for its port.
constexpr int restrictedPortCode = 103;

NavigationKind kindOf(WebKitNavigationType type) {
  switch (type) {
  case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
    return NavigationKind::linkClicked;
  case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
    return NavigationKind::formSubmitted;
  case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
    return NavigationKind::formResubmitted;
  case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
    return NavigationKind::backForward;
  case WEBKIT_NAVIGATION_TYPE_RELOAD:
    return NavigationKind::reload;
  case WEBKIT_NAVIGATION_TYPE_OTHER:
    break;
  }
  return NavigationKind::other;
}

WebError webErrorOf(const GError* error) {
  WebError result{error->code, error->message ? error->message : ""};
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
    result.code = WebError::cancelled;
  } else if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                             WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    result.code = WebError::frameLoadInterruptedByPolicyChange;
  } else if (result.code == WebError::cancelled ||
             result.code == WebError::frameLoadInterruptedByPolicyChange) {
    // Another domain's code that happens to equal a cancellation code is a
    // real failure and must still be shown.
    result.code = -1;
  }
  return result;
}

// The engine can draw some types (PDF, images) that the server sends as an
// attachment, meaning "save this". Shown, such a file is lost to the user
// (a PDF draws as an empty page here), so it counts as one the window
// cannot show, and becomes a download.
bool isAttachment(WebKitURIResponse* response) {
  SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
  const char* disposition =
      headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
  return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

} // namespace

bool hasGpu() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    if (entry.path().filename().string().starts_with("renderD"))
      return true;
  }
  return false;
}

GtkWebView::GtkWebView(WebKitNetworkSession* session, const WebViewConfiguration& configuration,
                       WebViewDelegate& delegate)
    : delegate_(delegate), session_(session) {
  contentManager_ = GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
  for (const UserScript& script : configuration.userScripts) {
    const std::string source(script.source);
    WebKitUserScript* userScript = webkit_user_script_new_for_world(
        source.c_str(),
        script.forMainFrameOnly ? WEBKIT_USER_CONTENT_INJECT_TOP_FRAME
                                : WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        script.injectAtDocumentEnd ? WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END
                                   : WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
        pageScriptsWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(contentManager_.get(), userScript);
    webkit_user_script_unref(userScript);
  }

  WebKitSettings* settings = webkit_settings_new();
  const std::string& appName = configuration.applicationNameForUserAgent;
  const auto slash = appName.find('/');
  const std::string name = appName.substr(0, slash);
  const std::string version = slash == std::string::npos ? "" : appName.substr(slash + 1);
  webkit_settings_set_user_agent_with_application_details(settings, name.c_str(), version.c_str());
  // Without a GPU the engine's GL compositing runs on a software rasteriser:
  // drawing the page without it is lighter and starts sooner (bench/README.md).
  if (!hasGpu())
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  // A certificate the system does not trust is never accepted: the load
  // fails and shows as an unreachable server.
  webkit_network_session_set_tls_errors_policy(session, WEBKIT_TLS_ERRORS_POLICY_FAIL);
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session,
                                       "user-content-manager", contentManager_.get(), "settings",
                                       settings, nullptr));
  swipeGestures_ =
      std::make_unique<SwipeGestureWatch>(settings, gtk_widget_get_display(GTK_WIDGET(view_)),
                                          configuration.allowsBackForwardNavigationGestures);
  g_object_unref(settings);
  viewRef_ = GObjectPtr<WebKitWebView>::adopt(view_);
  gtk_widget_set_hexpand(widget(), TRUE);
  gtk_widget_set_vexpand(widget(), TRUE);
  connectSignals(configuration);
}

GtkWebView::~GtkWebView() = default;

void GtkWebView::connectSignals(const WebViewConfiguration& configuration) {
  signals_.emplace_back(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  signals_.emplace_back(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  signals_.emplace_back(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  signals_.emplace_back(view_, "load-failed-with-tls-errors", G_CALLBACK(onLoadFailedWithTlsErrors),
                        this);
  signals_.emplace_back(view_, "create", G_CALLBACK(onCreate), this);
  signals_.emplace_back(view_, "script-dialog", G_CALLBACK(onScriptDialog), this);
  signals_.emplace_back(view_, "permission-request", G_CALLBACK(onPermissionRequest), this);
  signals_.emplace_back(webkit_web_view_get_back_forward_list(view_), "changed",
                        G_CALLBACK(onBackForwardChanged), this);
  signals_.emplace_back(session_, "download-started", G_CALLBACK(onDownloadStarted), this);
  for (const std::string& name : configuration.scriptMessageHandlerNames) {
    webkit_user_content_manager_register_script_message_handler(contentManager_.get(), name.c_str(),
                                                                pageScriptsWorld);
    const std::string signal = "script-message-received::" + name;
    signals_.emplace_back(contentManager_.get(), signal.c_str(), G_CALLBACK(onScriptMessage), this);
  }
}

void GtkWebView::loadRequest(const UrlRequest& request) {
  // WebKitGTK has no per-request timeout or cache policy: the engine's
  // defaults apply, which match the protocol's own cache rules.
  g_debug("load requested: %s", request.url.absoluteString().c_str());
  applicationLoads_.push_back(engineUri(request.url));
  if (applicationLoads_.size() > applicationLoadMemory)
    applicationLoads_.pop_front();
  // A pop-up's own request keeps the page's method, headers and body.
  if (popUpRequest_ && request.url.absoluteString() == webkit_uri_request_get_uri(popUpRequest_)) {
    webkit_web_view_load_request(view_, popUpRequest_);
    return;
  }
  webkit_web_view_load_uri(view_, request.url.absoluteString().c_str());
}

void GtkWebView::reload() {
  webkit_web_view_reload(view_);
}
void GtkWebView::goBack() {
  webkit_web_view_go_back(view_);
}
void GtkWebView::goForward() {
  webkit_web_view_go_forward(view_);
}
bool GtkWebView::canGoBack() const {
  return webkit_web_view_can_go_back(view_);
}
bool GtkWebView::canGoForward() const {
  return webkit_web_view_can_go_forward(view_);
}
double GtkWebView::pageZoom() const {
  return webkit_web_view_get_zoom_level(view_);
}
void GtkWebView::setPageZoom(double zoom) {
  webkit_web_view_set_zoom_level(view_, zoom);
}

std::optional<Url> GtkWebView::url() const {
  return engineUrl(webkit_web_view_get_uri(view_));
}

void GtkWebView::evaluateJavaScript(const std::string& script) {
  webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()),
                                      nullptr, nullptr, nullptr, nullptr, nullptr);
}

std::string GtkWebView::currentHost() const {
  const auto current = url();
  return current && current->host() ? *current->host() : std::string();
}

FrameTarget GtkWebView::frameTargetOf(WebKitNavigationAction* action) {
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  SoupMessageHeaders* headers = request ? webkit_uri_request_get_http_headers(request) : nullptr;
  auto header = [headers](const char* name) {
    return headers ? stringOf(soup_message_headers_get_one(headers, name)) : std::nullopt;
  };
  const std::string uri = request ? stringOf(webkit_uri_request_get_uri(request)).value_or("") : "";
  const auto ownLoad = std::ranges::find(applicationLoads_, uri);
  const NavigationFacts facts{
      .uri = uri,
      .kind = kindOf(webkit_navigation_action_get_navigation_type(action)),
      .userGesture = webkit_navigation_action_is_user_gesture(action) != 0,
      .fetchDestination = header("Sec-Fetch-Dest"),
      .referrer = header("Referer"),
      .currentUri = stringOf(webkit_web_view_get_uri(view_)),
      .applicationLoadUri =
          ownLoad != applicationLoads_.end() ? std::optional(*ownLoad) : std::nullopt,
  };
  if (ownLoad != applicationLoads_.end())
    applicationLoads_.erase(ownLoad);
  const FrameGuess guess = guessFrameTarget(facts);
  if (!guess.certain) {
    guessedSubframeUris_.push_back(facts.uri);
    if (guessedSubframeUris_.size() > guessedSubframeMemory)
      guessedSubframeUris_.pop_front();
  }
  return guess.target;
}

void GtkWebView::decideNavigationAction(WebKitNavigationPolicyDecision* decision, bool newWindow) {
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(decision);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  NavigationAction input{
      .url = engineUrl(request ? webkit_uri_request_get_uri(request) : nullptr),
      .targetFrame = newWindow ? FrameTarget::newWindow : frameTargetOf(action),
  };
  auto keep = GObjectPtr<WebKitPolicyDecision>::retain(WEBKIT_POLICY_DECISION(decision));
  delegate_.decidePolicyForNavigationAction(input, [keep](NavigationActionPolicy policy) {
    if (policy == NavigationActionPolicy::allow) {
      webkit_policy_decision_use(keep.get());
    } else {
      webkit_policy_decision_ignore(keep.get());
    }
  });
}

void GtkWebView::decideResponse(WebKitResponsePolicyDecision* decision) {
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
  const NavigationResponse input{
      .url = engineUrl(response ? webkit_uri_response_get_uri(response) : nullptr),
      .isForMainFrame = webkit_response_policy_decision_is_main_frame_main_resource(decision) != 0,
      .canShowMimeType = webkit_response_policy_decision_is_mime_type_supported(decision) != 0 &&
                         !isAttachment(response),
  };
  auto keep = GObjectPtr<WebKitPolicyDecision>::retain(WEBKIT_POLICY_DECISION(decision));

  WebKitURIRequest* request = webkit_response_policy_decision_get_request(decision);
  const std::string requested =
      request ? stringOf(webkit_uri_request_get_uri(request)).value_or("") : "";
  const auto guessed =
      std::find(guessedSubframeUris_.begin(), guessedSubframeUris_.end(), requested);
  if (!input.isForMainFrame || guessed == guessedSubframeUris_.end()) {
    askResponsePolicy(input, keep);
    return;
  }
  // A navigation let through as a subframe load is the main frame's after
  // all: it must pass as a main-frame navigation before it may be shown.
  guessedSubframeUris_.erase(guessed);
  delegate_.decidePolicyForNavigationAction(
      NavigationAction{.url = engineUrl(requested.c_str()), .targetFrame = FrameTarget::mainFrame},
      [this, input, keep](NavigationActionPolicy policy) {
        if (policy == NavigationActionPolicy::allow) {
          askResponsePolicy(input, keep);
        } else {
          webkit_policy_decision_ignore(keep.get());
        }
      });
}

void GtkWebView::askResponsePolicy(const NavigationResponse& input,
                                   const GObjectPtr<WebKitPolicyDecision>& decision) {
  delegate_.decidePolicyForNavigationResponse(input, [decision](NavigationResponsePolicy policy) {
    switch (policy) {
    case NavigationResponsePolicy::allow:
      webkit_policy_decision_use(decision.get());
      break;
    case NavigationResponsePolicy::cancel:
      webkit_policy_decision_ignore(decision.get());
      break;
    case NavigationResponsePolicy::download:
      webkit_policy_decision_download(decision.get());
      break;
    }
  });
}

gboolean GtkWebView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  switch (type) {
  case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
    view->decideNavigationAction(WEBKIT_NAVIGATION_POLICY_DECISION(decision), false);
    return TRUE;
  case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
    view->decideNavigationAction(WEBKIT_NAVIGATION_POLICY_DECISION(decision), true);
    return TRUE;
  case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
    view->decideResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
    return TRUE;
  }
  return FALSE;
}

void GtkWebView::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  g_debug("load %s: %s",
          event == WEBKIT_LOAD_STARTED     ? "started"
          : event == WEBKIT_LOAD_COMMITTED ? "committed"
          : event == WEBKIT_LOAD_FINISHED  ? "finished"
                                           : "redirected",
          stringOf(webkit_web_view_get_uri(view->view_)).value_or("").c_str());
  if (event == WEBKIT_LOAD_STARTED) {
    view->lastLoadFailed_ = false;
    view->delegate_.didStartProvisionalNavigation();
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    // An address on a port the engine refuses to contact (6000, 6667, ...)
    // does not fail: an empty page commits instead. The window never lets
    // an empty page in otherwise, so this is that refusal.
    if (stringOf(webkit_web_view_get_uri(view->view_)) == "about:blank") {
      view->lastLoadFailed_ = true;
      view->delegate_.didFailProvisionalNavigation(
          WebError{restrictedPortCode, "Not allowed to use restricted network port"});
    }
  } else if (event == WEBKIT_LOAD_FINISHED) {
    if (!std::exchange(view->lastLoadFailed_, false))
      view->delegate_.didFinishNavigation();
  }
}

void GtkWebView::forgetApplicationLoad(const char* failingUri) {
  // Only the load that failed: one the application started after it is
  // still to be asked about.
  if (failingUri)
    std::erase(applicationLoads_, std::string_view(failingUri));
}

gboolean GtkWebView::onLoadFailed(WebKitWebView*, WebKitLoadEvent event, const char* failingUri,
                                  GError* error, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->lastLoadFailed_ = true;
  view->forgetApplicationLoad(failingUri);
  // Failures after the page was committed leave the page as it is.
  if (event != WEBKIT_LOAD_COMMITTED && error)
    view->delegate_.didFailProvisionalNavigation(webErrorOf(error));
  // Handled: the engine must not show its own error page.
  return TRUE;
}

gboolean GtkWebView::onLoadFailedWithTlsErrors(WebKitWebView*, const char* failingUri,
                                               GTlsCertificate*, GTlsCertificateFlags,
                                               gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->lastLoadFailed_ = true;
  view->forgetApplicationLoad(failingUri);
  // An untrusted certificate is never accepted; it is shown like any other
  // unreachable server.
  view->delegate_.didFailProvisionalNavigation(
      WebError{-1, "The server\u2019s security certificate is not trusted."});
  return TRUE;
}

GtkWidget* GtkWebView::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  view->popUpRequest_ = request;
  view->delegate_.createWebViewWithConfiguration(NavigationAction{
      .url = engineUrl(request ? webkit_uri_request_get_uri(request) : nullptr),
      .targetFrame = FrameTarget::newWindow,
  });
  view->popUpRequest_ = nullptr;
  // No new view: the page's window.open() gets null.
  return nullptr;
}

gboolean GtkWebView::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  const std::string message = webkit_script_dialog_get_message(dialog);
  // Answered later, once the alert closes: keep the dialog until then.
  webkit_script_dialog_ref(dialog);
  auto release = [dialog] {
    webkit_script_dialog_close(dialog);
    webkit_script_dialog_unref(dialog);
  };
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
  case WEBKIT_SCRIPT_DIALOG_ALERT:
    view->delegate_.runJavaScriptAlertPanelWithMessage(message, release);
    return TRUE;
  case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    view->delegate_.runJavaScriptConfirmPanelWithMessage(message, [dialog, release](bool ok) {
      webkit_script_dialog_confirm_set_confirmed(dialog, ok);
      release();
    });
    return TRUE;
  case WEBKIT_SCRIPT_DIALOG_PROMPT: {
    const char* defaultText = webkit_script_dialog_prompt_get_default_text(dialog);
    view->delegate_.runJavaScriptTextInputPanelWithPrompt(
        message, defaultText ? std::optional<std::string>(defaultText) : std::nullopt,
        [dialog, release](std::optional<std::string> text) {
          if (text)
            webkit_script_dialog_prompt_set_text(dialog, text->c_str());
          release();
        });
    return TRUE;
  }
  case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
    break;
  }
  webkit_script_dialog_unref(dialog);
  return FALSE;
}

gboolean GtkWebView::onPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request,
                                         gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  auto keep = GObjectPtr<WebKitPermissionRequest>::retain(request);
  auto apply = [keep](PermissionDecision decision) {
    if (decision == PermissionDecision::grant) {
      webkit_permission_request_allow(keep.get());
    } else {
      webkit_permission_request_deny(keep.get());
    }
  };
  // Permission requests carry no origin; the page on show is the best guess.
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) {
    view->delegate_.requestGeolocationPermissionForOrigin(view->currentHost(), apply);
    return TRUE;
  }
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
    view->delegate_.requestNotificationPermissionForOrigin(view->currentHost(), apply);
    return TRUE;
  }
  return FALSE;
}

void GtkWebView::onScriptMessage(WebKitUserContentManager*, JSCValue* value, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  // The message name is the detail of the signal being emitted.
  const GSignalInvocationHint* hint = g_signal_get_invocation_hint(view->contentManager_.get());
  ScriptMessage message;
  if (hint && hint->detail)
    message.name = g_quark_to_string(hint->detail);
  // Only the page scripts can post (see pageScriptsWorld), and they post
  // little, so the value is read whole.
  GCharPtr json(jsc_value_to_json(value, 0));
  if (json) {
    if (auto body = scriptValueFromJson(json.get()))
      message.body = std::move(*body);
  }
  view->delegate_.didReceiveScriptMessage(message);
}

void GtkWebView::onBackForwardChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                      gpointer self) {
  static_cast<GtkWebView*>(self)->delegate_.backForwardListDidChange();
}

void GtkWebView::onDownloadStarted(WebKitNetworkSession*, WebKitDownload* download, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  // The network session reports the downloads of every view; only this
  // view's are its own.
  if (webkit_download_get_web_view(download) != view->view_)
    return;
  // The wrapper is let go of from within its last signal, which GLib allows:
  // the emission holds the download, and the wrapper is not touched again.
  // Doing it at once leaves nothing behind that could outlive this view.
  auto wrapper = std::make_unique<GtkDownload>(
      download, [view, download] { view->downloads_.erase(download); });
  GtkDownload& handle = *wrapper;
  view->downloads_[download] = std::move(wrapper);
  view->delegate_.navigationResponseDidBecomeDownload(handle);
}

} // namespace velmora::gtk
