// The web view's navigation policy and load events: each question the engine
// asks is put to the delegate with the frame it is for, as far as the engine
// lets us tell, and each answer is applied; load events become the
// delegate's start, commit, finish and failure.
#include "gtk/web_view.hpp"

namespace velmora::gtk {
namespace {

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
  } else if (g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI)) {
    result.code = WebError::cannotShowURL;
  } else if (result.code == WebError::cancelled ||
             result.code == WebError::frameLoadInterruptedByPolicyChange ||
             result.code == WebError::cannotShowURL) {
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

FrameTarget GtkWebView::frameTargetOf(WebKitNavigationAction* action) {
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  NavigationFacts facts{
      .uri = request ? stringOf(webkit_uri_request_get_uri(request)).value_or("") : "",
      .kind = kindOf(webkit_navigation_action_get_navigation_type(action)),
      .userGesture = webkit_navigation_action_is_user_gesture(action) != 0,
      .fetchDestination = requestHeader(request, "Sec-Fetch-Dest"),
      .referrer = requestHeader(request, "Referer"),
      .currentUri = stringOf(webkit_web_view_get_uri(view_)),
      .applicationLoadUri = std::nullopt,
  };
  lastNavigationUri_ = facts.uri;
  return frameTargets_.targetOf(std::move(facts));
}

void GtkWebView::decideNavigationAction(WebKitNavigationPolicyDecision* decision, bool newWindow) {
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(decision);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  NavigationAction input{
      .url = urlOf(request ? webkit_uri_request_get_uri(request) : nullptr),
      .targetFrame = newWindow ? FrameTarget::newWindow : frameTargetOf(action),
      .userGesture = webkit_navigation_action_is_user_gesture(action) != 0,
      .historyStep = webkit_navigation_action_get_navigation_type(action) ==
                     WEBKIT_NAVIGATION_TYPE_BACK_FORWARD,
  };
  auto keep = GObjectPtr<WebKitPolicyDecision>::retain(WEBKIT_POLICY_DECISION(decision));
  const std::string uri = input.url ? input.url->absoluteString() : "";
  const bool mainFrame = input.targetFrame == FrameTarget::mainFrame;
  delegates_.navigation.decidePolicyForNavigationAction(
      input, [this, keep, uri, mainFrame](NavigationActionPolicy policy) {
        g_debug("navigation %s: %s",
                policy == NavigationActionPolicy::allow ? "allowed" : "refused", uri.c_str());
        if (policy == NavigationActionPolicy::allow) {
          // Set before the engine goes on, so the new document starts with it.
          if (mainFrame)
            allowScriptsFor(uri);
          webkit_policy_decision_use(keep.get());
        } else {
          webkit_policy_decision_ignore(keep.get());
        }
      });
}

void GtkWebView::decideResponse(WebKitResponsePolicyDecision* decision) {
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
  const NavigationResponse input{
      .url = urlOf(response ? webkit_uri_response_get_uri(response) : nullptr),
      .isForMainFrame = webkit_response_policy_decision_is_main_frame_main_resource(decision) != 0,
      .canShowMimeType = webkit_response_policy_decision_is_mime_type_supported(decision) != 0 &&
                         !isAttachment(response),
  };
  auto keep = GObjectPtr<WebKitPolicyDecision>::retain(WEBKIT_POLICY_DECISION(decision));

  WebKitURIRequest* request = webkit_response_policy_decision_get_request(decision);
  const std::string requested =
      request ? stringOf(webkit_uri_request_get_uri(request)).value_or("") : "";
  if (!input.isForMainFrame || !frameTargets_.takeGuess(requested)) {
    askResponsePolicy(input, keep);
    return;
  }
  // A navigation let through as a subframe load is the main frame's after
  // all: it must pass as a main-frame navigation before it may be shown.
  delegates_.navigation.decidePolicyForNavigationAction(
      NavigationAction{.url = urlOf(requested.c_str()), .targetFrame = FrameTarget::mainFrame},
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
  const std::string uri = input.url ? input.url->absoluteString() : "";
  delegates_.navigation.decidePolicyForNavigationResponse(
      input, [decision, uri](NavigationResponsePolicy policy) {
        g_debug("response %s: %s",
                policy == NavigationResponsePolicy::allow    ? "shown"
                : policy == NavigationResponsePolicy::cancel ? "dropped"
                                                             : "downloaded",
                uri.c_str());
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
  const char* uri = webkit_web_view_get_uri(view->view_);
  g_debug("load %s: %s",
          event == WEBKIT_LOAD_STARTED     ? "started"
          : event == WEBKIT_LOAD_COMMITTED ? "committed"
          : event == WEBKIT_LOAD_FINISHED  ? "finished"
                                           : "redirected",
          uri ? uri : "");
  if (event == WEBKIT_LOAD_STARTED) {
    // A step in the history reaches a copy, or leaves one, without a
    // main-frame decision; its document is made only at the commit.
    view->allowScriptsFor(uri ? uri : "");
    view->sendPlatformOrigins();
    view->lastLoadFailed_ = false;
    view->delegates_.loads.didStartProvisionalNavigation();
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    // An address on a port the engine refuses to contact (6000, 6667, ...)
    // does not fail: an empty page commits instead. An empty page a script
    // asked for itself commits the same way, and is no refusal.
    if (g_strcmp0(uri, "about:blank") == 0 && view->lastNavigationUri_ != "about:blank") {
      view->lastLoadFailed_ = true;
      view->delegates_.loads.didFailProvisionalNavigation(
          WebError{restrictedPortCode, "Not allowed to use restricted network port"});
      return;
    }
    view->delegates_.loads.didCommitNavigation();
  } else if (event == WEBKIT_LOAD_FINISHED) {
    if (!std::exchange(view->lastLoadFailed_, false))
      view->delegates_.loads.didFinishNavigation();
  }
}

void GtkWebView::onProgressChanged(WebKitWebView* webView, GParamSpec*, gpointer self) {
  static_cast<GtkWebView*>(self)->delegates_.loads.estimatedProgressDidChange(
      webkit_web_view_get_estimated_load_progress(webView));
}

// The engine reports a stray "finished" after a failure, which must not pass
// for a page on show. Only the load that failed is forgotten: one the
// application started after it is still to be asked about.
void GtkWebView::loadDidFail(const char* failingUri) {
  lastLoadFailed_ = true;
  if (failingUri)
    frameTargets_.loadFailed(failingUri);
}

gboolean GtkWebView::onLoadFailed(WebKitWebView*, WebKitLoadEvent event, const char* failingUri,
                                  GError* error, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->loadDidFail(failingUri);
  // Failures after the page was committed leave the page as it is.
  if (event != WEBKIT_LOAD_COMMITTED && error) {
    WebError failure = webErrorOf(error);
    failure.failingURL = urlOf(failingUri);
    view->delegates_.loads.didFailProvisionalNavigation(failure);
  }
  // Handled: the engine must not show its own error page.
  return TRUE;
}

gboolean GtkWebView::onLoadFailedWithTlsErrors(WebKitWebView*, const char* failingUri,
                                               GTlsCertificate*, GTlsCertificateFlags,
                                               gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->loadDidFail(failingUri);
  // An untrusted certificate is never accepted; it is shown like any other
  // unreachable server.
  view->delegates_.loads.didFailProvisionalNavigation(
      WebError{-1, "The server\u2019s security certificate is not trusted.", urlOf(failingUri)});
  return TRUE;
}

} // namespace velmora::gtk
