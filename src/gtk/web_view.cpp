#include "gtk/web_view.hpp"

#include "gtk/download.hpp"
#include "gtk/frame_target.hpp"

#include <filesystem>

namespace velmora::gtk {
namespace {

// How often the page is asked whether it still runs. The engine notices a
// hung page only when the user acts or a load starts; a desk nobody touches
// would keep a frozen page for hours.
constexpr guint pingIntervalSeconds = 10;

// Where the page guard the engine loads into each web process lives: beside
// the binary in the build tree, in lib/velmora beside bin once installed.
std::optional<std::filesystem::path> pageGuardDirectory() {
  std::error_code error;
  const auto binary = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return std::nullopt;
  const auto folder = binary.parent_path();
  for (const auto& candidate : {folder / "web-process-extensions",
                                folder.parent_path() / "lib/velmora/web-process-extensions"}) {
    if (std::filesystem::exists(candidate / "libvelmora-page-guard.so", error))
      return candidate;
  }
  return std::nullopt;
}

GVariant* stringArrayOf(const std::vector<std::string>& strings) {
  std::vector<const char*> pointers;
  for (const std::string& text : strings)
    pointers.push_back(text.c_str());
  return g_variant_new_strv(pointers.data(), static_cast<gssize>(pointers.size()));
}

} // namespace

WebKitWebContext* applicationWebContext() {
  static WebKitWebContext* const context = [] {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, webProcessMemoryLimitMB);
    // Ended at the limit itself. The engine starts freeing caches at its
    // default fractions of the limit long before.
    webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    auto* made = WEBKIT_WEB_CONTEXT(
        g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory, nullptr));
    webkit_memory_pressure_settings_free(memory);
    if (const auto guard = pageGuardDirectory()) {
      webkit_web_context_set_web_process_extensions_directory(made, guard->c_str());
    } else {
      g_warning("the page guard is missing: frames of other sites may raise dialogs");
    }
    serveLastCopies(made);
    return made;
  }();
  return context;
}

bool hasGpu() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    if (entry.path().filename().string().starts_with("renderD"))
      return true;
  }
  return false;
}

GtkWebView::GtkWebView(WebKitNetworkSession* session, const WebViewConfiguration& configuration,
                       WebViewDelegates delegates)
    : delegates_(delegates), session_(session) {
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
  // Off by default in WebKitGTK, which then blocks a window a script opens
  // after a fetch or from a timer inside the engine. The pop-up policy
  // decides instead: platform pages load here, foreign ones need a click.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  // Without a GPU the engine's GL compositing runs on a software rasteriser:
  // drawing the page without it is lighter and starts sooner (bench/README.md).
  if (!hasGpu())
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  // A certificate the system does not trust is never accepted: the load
  // fails and shows as an unreachable server.
  webkit_network_session_set_tls_errors_policy(session, WEBKIT_TLS_ERRORS_POLICY_FAIL);
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", applicationWebContext(),
                                       "network-session", session, "user-content-manager",
                                       contentManager_.get(), "settings", settings, nullptr));
  swipeGestures_ =
      std::make_unique<SwipeGestureWatch>(settings, gtk_widget_get_display(GTK_WIDGET(view_)),
                                          configuration.allowsBackForwardNavigationGestures);
  g_object_unref(settings);
  viewRef_ = GObjectPtr<WebKitWebView>::adopt(view_);
  gtk_widget_set_hexpand(widget(), TRUE);
  gtk_widget_set_vexpand(widget(), TRUE);
  findBar_ = std::make_unique<FindBar>(view_);
  container_ = GObjectPtr<GtkWidget>::adopt(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0));
  gtk_box_append(GTK_BOX(container_.get()), findBar_->widget());
  gtk_box_append(GTK_BOX(container_.get()), widget());
  connectSignals(configuration);
  pingTimer_ = SourceId(g_timeout_add_seconds(pingIntervalSeconds, onPingDue, this));
}

GtkWebView::~GtkWebView() {
  pingTimer_.reset();
  g_cancellable_cancel(pingCancellable_.get());
  g_cancellable_cancel(copyCancellable_.get());
}

void GtkWebView::connectSignals(const WebViewConfiguration& configuration) {
  signals_.emplace_back(webkit_web_view_get_context(view_), "initialize-web-process-extensions",
                        G_CALLBACK(onInitializeWebProcess), this);
  signals_.emplace_back(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  signals_.emplace_back(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  signals_.emplace_back(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  signals_.emplace_back(view_, "notify::estimated-load-progress", G_CALLBACK(onProgressChanged),
                        this);
  signals_.emplace_back(view_, "load-failed-with-tls-errors", G_CALLBACK(onLoadFailedWithTlsErrors),
                        this);
  signals_.emplace_back(view_, "create", G_CALLBACK(onCreate), this);
  signals_.emplace_back(view_, "script-dialog", G_CALLBACK(onScriptDialog), this);
  signals_.emplace_back(view_, "context-menu", G_CALLBACK(onContextMenu), this);
  signals_.emplace_back(openLinkInBrowser_.get(), "activate", G_CALLBACK(onOpenLinkInBrowser),
                        this);
  signals_.emplace_back(view_, "permission-request", G_CALLBACK(onPermissionRequest), this);
  signals_.emplace_back(webkit_web_view_get_back_forward_list(view_), "changed",
                        G_CALLBACK(onBackForwardChanged), this);
  signals_.emplace_back(session_, "download-started", G_CALLBACK(onDownloadStarted), this);
  signals_.emplace_back(view_, "print", G_CALLBACK(onPrint), this);
  signals_.emplace_back(view_, "web-process-terminated", G_CALLBACK(onWebProcessTerminated), this);
  signals_.emplace_back(view_, "notify::is-web-process-responsive",
                        G_CALLBACK(onResponsivenessChanged), this);
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
  sendPlatformOrigins();
  frameTargets_.applicationLoadStarted(engineUri(request.url));
  webkit_web_view_load_uri(view_, request.url.absoluteString().c_str());
}

void GtkWebView::stopLoading() {
  webkit_web_view_stop_loading(view_);
}

void GtkWebView::terminateWebProcess() {
  webkit_web_view_terminate_web_process(view_);
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
  return urlOf(webkit_web_view_get_uri(view_));
}

void GtkWebView::evaluateJavaScript(const std::string& script) {
  webkit_web_view_evaluate_javascript(
      view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer) {
        GErrorPtr error;
        auto value = GObjectPtr<JSCValue>::adopt(webkit_web_view_evaluate_javascript_finish(
            WEBKIT_WEB_VIEW(source), result, out(error)));
        if (error)
          g_debug("a script in the page failed: %s", error->message);
      },
      nullptr);
}

void GtkWebView::print() {
  printer_.print(view_);
}

void GtkWebView::performTextFinderAction(TextFinderAction action) {
  findBar_->perform(action);
}

// A page's window.print() opens the same dialog as the menu; the engine's
// own would run a main loop of its own until it closed.
gboolean GtkWebView::onPrint(WebKitWebView*, WebKitPrintOperation*, gpointer self) {
  static_cast<GtkWebView*>(self)->print();
  return TRUE;
}

void GtkWebView::onBackForwardChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                      gpointer self) {
  static_cast<GtkWebView*>(self)->delegates_.loads.backForwardListDidChange();
}

void GtkWebView::onInitializeWebProcess(WebKitWebContext* context, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  view->sentOrigins_ = view->delegates_.navigation.platformOrigins();
  webkit_web_context_set_web_process_extensions_initialization_user_data(
      context, stringArrayOf(view->sentOrigins_));
}

// The page guard in every running web process hears of a new server
// address before the first page of it loads.
void GtkWebView::sendPlatformOrigins() {
  auto origins = delegates_.navigation.platformOrigins();
  if (origins == sentOrigins_)
    return;
  sentOrigins_ = std::move(origins);
  webkit_web_context_send_message_to_all_extensions(
      webkit_web_view_get_context(view_),
      webkit_user_message_new("velmora-platform-origins", stringArrayOf(sentOrigins_)));
}

DownloadStart GtkWebView::downloadStartOf(WebKitDownload* download) {
  WebKitURIRequest* request = webkit_download_get_request(download);
  const std::string uri = request ? stringOf(webkit_uri_request_get_uri(request)).value_or("") : "";
  const auto referrer = requestHeader(request, "Referer");
  return DownloadStart{
      .url = urlOf(uri.c_str()),
      .referrer = referrer ? urlOf(referrer->c_str()) : std::nullopt,
      .fetchSite = requestHeader(request, "Sec-Fetch-Site"),
      .userGesture = frameTargets_.takeUserGesture(uri),
  };
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
  auto wrapper =
      std::make_unique<GtkDownload>(download, view->downloadStartOf(download),
                                    [view, download] { view->downloads_.erase(download); });
  GtkDownload& handle = *wrapper;
  view->downloads_[download] = std::move(wrapper);
  view->delegates_.navigation.navigationResponseDidBecomeDownload(handle);
}

} // namespace velmora::gtk
