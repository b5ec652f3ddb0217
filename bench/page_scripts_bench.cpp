// Times the two page scripts inside the real engine on a dashboard with many
// workspace links. The scripts are registered exactly as the window registers
// them (document end, main frame only, badge hook first), with two marker
// scripts around them that read performance.now(), so a page load measures
// the scripts as the application runs them, compilation included. The
// engine coarsens performance.now(), so the scripts are also run many times
// over in one page to get below its resolution.
//
//   page_scripts_bench [--links N] [--runs R] [--base URL]
//
// Prints one line of progress per run on stderr and one JSON line on stdout.

#include "bridge/page_scripts.hpp"

#include <boost/json.hpp>
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
  int links = 5000;
  int runs = 40;
  int repeats = 50;
  std::string base = "http://127.0.0.1:1/dashboard";
};

// The sample platform's signed-in layout, its sidebar holding `links`
// distinct same-origin links, each with an unread badge as the real sidebar
// has: the navigation hook has to look at every one of them.
std::string dashboardPage(int links) {
  std::string page =
      "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<title>Dashboard</title><link rel=\"stylesheet\" href=\"/static/hv.css\"></head>"
      "<body class=\"hv-app\"><aside class=\"hv-sidebar\">"
      "<a class=\"hv-sidebar__brand\" href=\"/dashboard\">Sample Towing Co.</a>"
      "<nav class=\"hv-sidebar__nav\" aria-label=\"Workspace\">\n";
  for (int i = 0; i < links; ++i) {
    page += "<a href=\"/jobs/" + std::to_string(i) + "\"" +
            (i == 0 ? " aria-current=\"page\"" : "") + ">  Job   number " + std::to_string(i) +
            " <span class=\"hv-badge\">" + std::to_string(i % 7) + "</span></a>\n";
  }
  page += "</nav></aside><div class=\"hv-main\"><header class=\"hv-topbar\">"
          "<h1 class=\"hv-topbar__title\">Dashboard</h1>"
          "<a class=\"hv-topbar__bell\" href=\"/dashboard#notifications\">"
          "<span class=\"hv-notification-count\">12 new</span></a>"
          "<a class=\"hv-topbar__signout\" href=\"/logout\">Sign out</a></header>"
          "<main class=\"hv-content\"><p>Open jobs: 14</p></main></div></body></html>";
  return page;
}

std::string jsString(std::string_view text) {
  return boost::json::serialize(boost::json::value(boost::json::string(text)));
}

double median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

boost::json::object stats(const std::vector<double>& values) {
  boost::json::object out;
  out["median"] = median(values);
  out["min"] = values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
  out["max"] = values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
  out["n"] = values.size();
  return out;
}

class Bench {
public:
  explicit Bench(Options options)
      : options_(std::move(options)), page_(dashboardPage(options_.links)) {
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    addScript(content, "window.__benchT0 = performance.now();");
    addScript(content, std::string(velmora::badgeHookScript()));
    addScript(content, "window.__benchT1 = performance.now();");
    addScript(content, std::string(velmora::navigationHookScript()));
    addScript(content, "window.__benchT2 = performance.now();");
    for (const char* name : {"bellCount", "navLinks"}) {
      webkit_user_content_manager_register_script_message_handler(content, name, nullptr);
      g_signal_connect(content, (std::string("script-message-received::") + name).c_str(),
                       G_CALLBACK(onMessage), this);
    }
    WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session,
                                         "user-content-manager", content, nullptr));
    g_object_unref(session);
    g_object_unref(content);
    window_ = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window_), 1280, 860);
    gtk_window_set_child(GTK_WINDOW(window_), GTK_WIDGET(view_));
    gtk_window_present(GTK_WINDOW(window_));
    g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  }

  int run() {
    loop_ = g_main_loop_new(nullptr, FALSE);
    load();
    g_main_loop_run(loop_);
    g_main_loop_unref(loop_);
    gtk_window_destroy(GTK_WINDOW(window_));
    return failed_ ? 1 : 0;
  }

  void print() const {
    boost::json::object out;
    out["links"] = options_.links;
    out["registered_ms"] = stats(both_);
    out["badge_ms"] = stats(badge_);
    out["navigation_ms"] = stats(navigation_);
    out["repeated_ms"] = stats(repeated_);
    out["resolution_ms"] = resolution_;
    out["messages_per_load"] = loads_ ? static_cast<double>(messages_) / loads_ : 0.0;
    std::printf("%s\n", boost::json::serialize(out).c_str());
  }

private:
  static void addScript(WebKitUserContentManager* content, const std::string& source) {
    WebKitUserScript* script =
        webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
  }

  void load() {
    ++loads_;
    webkit_web_view_load_html(view_, page_.c_str(), options_.base.c_str());
  }

  // Every script run of the page at once: the marker differences, then the
  // two scripts run `repeats` more times with their guards cleared, then the
  // smallest step performance.now() takes.
  std::string probe() const {
    const std::string badge = jsString(velmora::badgeHookScript());
    const std::string nav = jsString(velmora::navigationHookScript());
    const std::string repeats = std::to_string(options_.repeats);
    return "(() => {"
           "  const badge = new Function(" +
           badge + "), nav = new Function(" + nav +
           ");"
           "  const start = performance.now();"
           "  for (let i = 0; i < " +
           repeats +
           "; ++i) {"
           "    window.__vlmBadgeHooked = false; window.__vlmNavHooked = false;"
           "    delete window.__vlmBadgeHooked; delete window.__vlmNavHooked;"
           "    badge(); nav();"
           "  }"
           "  const repeated = (performance.now() - start) / " +
           repeats +
           ";"
           "  let step = Infinity;"
           "  for (let i = 0; i < 20; ++i) {"
           "    const a = performance.now(); let b = a;"
           "    while (b === a) b = performance.now();"
           "    step = Math.min(step, b - a);"
           "  }"
           "  return JSON.stringify({badge: __benchT1 - __benchT0, nav: __benchT2 - __benchT1,"
           "                         both: __benchT2 - __benchT0, repeated, step});"
           "})()";
  }

  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
    if (event != WEBKIT_LOAD_FINISHED)
      return;
    auto* bench = static_cast<Bench*>(self);
    const std::string script = bench->probe();
    webkit_web_view_evaluate_javascript(view, script.c_str(), static_cast<gssize>(script.size()),
                                        nullptr, nullptr, nullptr, onProbed, self);
  }

  static void onProbed(GObject* view, GAsyncResult* result, gpointer self) {
    auto* bench = static_cast<Bench*>(self);
    GError* error = nullptr;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
    if (!value) {
      std::fprintf(stderr, "probe failed: %s\n", error ? error->message : "?");
      g_clear_error(&error);
      bench->failed_ = true;
      g_main_loop_quit(bench->loop_);
      return;
    }
    char* text = jsc_value_to_string(value);
    const auto json = boost::json::parse(text).as_object();
    g_free(text);
    g_object_unref(value);
    const int run = bench->done_++;
    // The first load compiles the engine's own code paths; it is not counted.
    if (run > 0) {
      bench->badge_.push_back(json.at("badge").to_number<double>());
      bench->navigation_.push_back(json.at("nav").to_number<double>());
      bench->both_.push_back(json.at("both").to_number<double>());
      bench->repeated_.push_back(json.at("repeated").to_number<double>());
    }
    bench->resolution_ = json.at("step").to_number<double>();
    std::fprintf(stderr, "run %d: both %.3f ms, repeated %.3f ms\n", run,
                 json.at("both").to_number<double>(), json.at("repeated").to_number<double>());
    if (run >= bench->options_.runs) {
      g_main_loop_quit(bench->loop_);
    } else {
      bench->load();
    }
  }

  static void onMessage(WebKitUserContentManager*, JSCValue*, gpointer self) {
    ++static_cast<Bench*>(self)->messages_;
  }

  Options options_;
  std::string page_;
  WebKitWebView* view_ = nullptr;
  GtkWidget* window_ = nullptr;
  GMainLoop* loop_ = nullptr;
  int done_ = 0, loads_ = 0, messages_ = 0;
  bool failed_ = false;
  double resolution_ = 0;
  std::vector<double> badge_, navigation_, both_, repeated_;
};

} // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--links"))
      options.links = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--runs"))
      options.runs = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--repeats"))
      options.repeats = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--base"))
      options.base = argv[i + 1];
  }
  gtk_init();
  Bench bench(options);
  const int status = bench.run();
  bench.print();
  return status;
}
