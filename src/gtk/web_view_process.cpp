// The web view's web process: its end, and whether it still answers. Both
// are reported to the delegate, which recovers the page.
#include "gtk/web_view.hpp"

namespace velmora::gtk {

void GtkWebView::onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                        gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  // The load under way, if any, dies with the process and reports nothing;
  // the next process starts answering afresh.
  view->lastLoadFailed_ = false;
  view->resetPing();
  view->engineResponsive_ = true;
  view->reportedResponsive_ = true;
  switch (reason) {
  case WEBKIT_WEB_PROCESS_CRASHED:
    view->delegates_.loads.webProcessDidTerminate(WebProcessTermination::crashed);
    return;
  case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
    view->delegates_.loads.webProcessDidTerminate(WebProcessTermination::exceededMemoryLimit);
    return;
  case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
    view->delegates_.loads.webProcessDidTerminate(WebProcessTermination::terminatedByApplication);
    return;
  }
}

void GtkWebView::onResponsivenessChanged(WebKitWebView* webView, GParamSpec*, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->engineResponsive_ = webkit_web_view_get_is_web_process_responsive(webView);
  view->reportResponsiveness();
}

// A ping still unanswered at the next one means the page's thread is stuck.
gboolean GtkWebView::onPingDue(gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  if (view->pingOutstanding_) {
    view->pingOverdue_ = true;
    view->reportResponsiveness();
    return G_SOURCE_CONTINUE;
  }
  view->pingOutstanding_ = true;
  // In the page scripts' own world, so the page's globals are not touched.
  webkit_web_view_evaluate_javascript(view->view_, "0", -1, pageScriptsWorld, nullptr,
                                      view->pingCancellable_.get(), onPingAnswered, self);
  return G_SOURCE_CONTINUE;
}

void GtkWebView::onPingAnswered(GObject* source, GAsyncResult* result, gpointer self) {
  GErrorPtr error;
  auto value = GObjectPtr<JSCValue>::adopt(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, out(error)));
  // Cancelled: the view is gone, or its process was replaced.
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
    return;
  // Any answer, an error included, came from a running page.
  auto* view = static_cast<GtkWebView*>(self);
  view->pingOutstanding_ = false;
  view->pingOverdue_ = false;
  view->reportResponsiveness();
}

void GtkWebView::resetPing() {
  g_cancellable_cancel(pingCancellable_.get());
  pingCancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  pingOutstanding_ = false;
  pingOverdue_ = false;
}

void GtkWebView::reportResponsiveness() {
  const bool responsive = engineResponsive_ && !pingOverdue_;
  if (responsive == reportedResponsive_)
    return;
  reportedResponsive_ = responsive;
  delegates_.loads.webProcessResponsivenessDidChange(responsive);
}

} // namespace velmora::gtk
