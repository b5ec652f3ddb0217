// The window controller in this process with the real GTK window and the
// real engine, against the sample platform. The desktop services a test must
// answer or watch (alerts, the browser hand-over, the location service) are
// the double's; the main queue is GLib's own. Tests poll with waitUntil,
// which also runs the main loop.
#pragma once

#include "fake_desktop.hpp"
#include "gtk/services.hpp"
#include "gtk/web_view.hpp"
#include "gtk/window.hpp"
#include "processes.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace velmora::testing {

// GTK and a registered application exist once per process.
inline GtkApplication* testApplication() {
  static GtkApplication* app = [] {
    gtk_init();
    GtkApplication* made =
        gtk_application_new("com.haulvane.VelmoraTests", G_APPLICATION_NON_UNIQUE);
    GErrorPtr error;
    if (!g_application_register(G_APPLICATION(made), nullptr, out(error)))
      ADD_FAILURE() << "cannot register the test application: " << error->message;
    return made;
  }();
  return app;
}

// Runs a script in the view's page, in the page's own world or in a named
// one, and gives its result as JSON; none when it raised.
inline std::optional<std::string> evaluateIn(WebKitWebView* view, const std::string& script,
                                             const char* world = nullptr) {
  struct Result {
    bool done = false;
    std::optional<std::string> json;
  };
  auto result = std::make_shared<Result>();
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, world, nullptr, nullptr,
      [](GObject* source, GAsyncResult* async, gpointer data) {
        std::unique_ptr<std::shared_ptr<Result>> owner(static_cast<std::shared_ptr<Result>*>(data));
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, nullptr);
        if (value) {
          char* json = jsc_value_to_json(value, 0);
          (*owner)->json = json ? std::optional<std::string>(json) : std::nullopt;
          g_free(json);
          g_object_unref(value);
        }
        (*owner)->done = true;
      },
      new std::shared_ptr<Result>(result));
  EXPECT_TRUE(waitUntil([&] { return result->done; }, 10s)) << script;
  return result->json;
}

// The real file operations, with the Downloads folder named by the test.
class FilesIn final : public Files {
public:
  explicit FilesIn(std::filesystem::path folder) : folder(std::move(folder)) {}
  [[nodiscard]] std::optional<std::filesystem::path> downloadsDirectory() const override {
    return folder;
  }
  [[nodiscard]] bool fileExistsAtPath(const std::filesystem::path& path) const override {
    return real_.fileExistsAtPath(path);
  }
  [[nodiscard]] bool createDirectory(const std::filesystem::path& path) override {
    return real_.createDirectory(path);
  }
  [[nodiscard]] FileCreation createNewFile(const std::filesystem::path& path) override {
    return real_.createNewFile(path);
  }
  std::filesystem::path folder;

private:
  gtk::LocalFiles real_;
};

class EngineWindows final : public WindowSystem {
public:
  EngineWindows(WebKitNetworkSession* session, gtk::KeyFileStore& store)
      : session_(session), store_(store) {}
  [[nodiscard]] std::unique_ptr<Window>
  createWindow(const WindowDescription& description) override {
    auto made = std::make_unique<gtk::GtkAppWindow>(testApplication(), session_, store_,
                                                    description, gtk::WindowHooks{});
    window = made.get();
    return made;
  }
  gtk::GtkAppWindow* window = nullptr;

private:
  WebKitNetworkSession* session_;
  gtk::KeyFileStore& store_;
};

class EngineWindow {
public:
  // Stores `server` as the platform address, builds the controller, which
  // loads the sign-in page, and shows the window. `realFiles` stands in for
  // the double's files where a test needs disks.
  explicit EngineWindow(const std::string& server, Files* realFiles = nullptr,
                        Menu* goMenu = nullptr)
      : app_(testApplication()), session_(webkit_network_session_new_ephemeral()),
        store_(home_.settingsFile()), windows_(session_, store_),
        desktop_(fake.with({.windows = &windows_, .files = realFiles, .mainQueue = &mainQueue})) {
    fake.settings.values["serverURL"] = server;
    controller = std::make_unique<BrowserWindowController>(desktop_, goMenu);
    controller->showWindow();
  }
  ~EngineWindow() {
    controller.reset();
    // Let the engine finish tearing the view down before the session goes.
    waitUntil([] { return false; }, 200ms);
    g_object_unref(session_);
  }

  [[nodiscard]] WebKitWebView* webView() const {
    auto& view = dynamic_cast<gtk::GtkWebView&>(controller->webView());
    return WEBKIT_WEB_VIEW(view.widget());
  }
  [[nodiscard]] GtkWindow* gtkWindow() const { return windows_.window->gtkWindow(); }
  [[nodiscard]] std::string uri() const {
    const char* uri = webkit_web_view_get_uri(webView());
    return uri ? uri : "";
  }
  // Loads an address as a user's typed address would be: straight in the
  // main frame, through the navigation policy, once the page on show has
  // settled.
  void load(const std::string& address) {
    settle();
    controller->webView().loadRequest(UrlRequest{.url = *Url::parse(address)});
  }
  // Waits until no load is under way, as a user would before asking for
  // another page. A load that cancels the first one while its request is
  // still being sent can wait for the engine's network process for many
  // seconds on a busy machine.
  void settle() {
    waitUntil([&] { return !uri().empty() && !webkit_web_view_is_loading(webView()); });
  }
  // Waits until the main frame has finished showing `address`.
  [[nodiscard]] bool waitForPage(const std::string& address,
                                 std::chrono::milliseconds timeout = 20s) {
    return waitUntil([&] { return uri() == address && !webkit_web_view_is_loading(webView()); },
                     timeout);
  }

  // Runs a script in the page as the user's own action would (the engine
  // counts it as a user gesture) and gives its result as JSON, or none.
  [[nodiscard]] std::optional<std::string> evaluate(const std::string& script) {
    return evaluateIn(webView(), script);
  }
  // Clicks the element with this id through the page, with a user gesture.
  void click(const std::string& id) {
    (void)evaluate("document.getElementById('" + id + "').click(); true");
  }

  [[nodiscard]] std::vector<std::string> opened() const { return fake.workspace.openedAddresses(); }

  // The desktop services a test answers or watches; windows and the main
  // queue are real.
  FakeDesktop fake;
  gtk::IdleMainQueue mainQueue;
  std::unique_ptr<BrowserWindowController> controller;

private:
  TempHome home_;
  GtkApplication* app_;
  WebKitNetworkSession* session_;
  gtk::KeyFileStore store_;
  EngineWindows windows_;
  Desktop desktop_;
};

// The sample platform on 127.0.0.1 and a second one on 127.0.0.2 that plays
// "another site".
struct TwoSites {
  SamplePlatform platform;
  SamplePlatform elsewhere{{}, "127.0.0.2"};
  // A test page of the platform with its links pointed at the other site.
  [[nodiscard]] std::string page(const std::string& path, const std::string& extra = "") const {
    return platform.url() + path + "?elsewhere=" + elsewhere.url() + extra;
  }
  [[nodiscard]] static bool everRequested(const SamplePlatform& site, const std::string& path) {
    for (const auto& request : site.requests())
      if (request.path == path)
        return true;
    return false;
  }
};

} // namespace velmora::testing
