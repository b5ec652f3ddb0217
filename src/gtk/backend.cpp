#include "gtk/backend.hpp"

#include "gtk/debug_log.hpp"
#include "gtk/desk_setup.hpp"
#include "gtk/menu_bar.hpp"
#include "gtk/private_files.hpp"
#include "gtk/resources_data.hpp"
#include "gtk/shortcuts_window.hpp"
#include "gtk/web_view.hpp"
#include "gtk/window.hpp"

#include "platform/log.hpp"

#include <filesystem>

namespace velmora::gtk {
namespace {

constexpr const char* applicationId = "com.haulvane.Velmora";

// Without a GPU (no render node: virtual machines, containers, remote
// sessions) GTK's GL renderer runs on a software rasteriser, which for this
// one window costs more memory and a slower start than drawing with cairo
// (bench/README.md); the web view then draws without GL as well. GTK would
// still load that rasteriser when it opens the display, only to choose its
// window format, so GL is switched off in GTK altogether. With a GPU,
// GTK's own choice stands, and so does whatever the user set in these
// variables. Decided before GTK opens the display, which is when it reads
// them.
void preferCairoWithoutGpu() {
  if (hasGpu())
    return;
  g_setenv("GSK_RENDERER", "cairo", FALSE);
  // GTK 4.16 gave the switch a name of its own; before, it was a debug key.
  if (gtk_get_minor_version() >= 16) {
    g_setenv("GDK_DISABLE", "gl", FALSE);
  } else {
    g_setenv("GDK_DEBUG", "gl-disable", FALSE);
  }
}

GObjectPtr<GtkApplication> makeApplication() {
  preferCairoWithoutGpu();
  return GObjectPtr<GtkApplication>::adopt(
      gtk_application_new(applicationId, G_APPLICATION_HANDLES_OPEN));
}

// The web data (cookies, local storage) and cache live in the user's data
// and cache folders, so the sign-in survives a restart.
GObjectPtr<WebKitNetworkSession> makeNetworkSession() {
  const std::filesystem::path data = std::filesystem::path(g_get_user_data_dir()) / "velmora";
  const std::filesystem::path cache = std::filesystem::path(g_get_user_cache_dir()) / "velmora";
  auto session = GObjectPtr<WebKitNetworkSession>::adopt(
      webkit_network_session_new(data.c_str(), cache.c_str()));
  std::error_code ignored;
  std::filesystem::create_directories(data, ignored);
  webkit_cookie_manager_set_persistent_storage(
      webkit_network_session_get_cookie_manager(session.get()), (data / "cookies.sqlite").c_str(),
      WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return session;
}

// Spell checking in the page's text fields, in the user's own languages
// (WebKitGTK leaves it off). Only language names with a territory or a
// plain language code are passed; "C" and encodings mean nothing to it.
void enableSpellChecking() {
  WebKitWebContext* context = applicationWebContext();
  std::vector<std::string> languages;
  for (const char* const* name = g_get_language_names(); *name; ++name) {
    std::string language(*name);
    if (language == "C" || language == "POSIX" || language.find('.') != std::string::npos ||
        language.find('@') != std::string::npos)
      continue;
    languages.push_back(language);
  }
  if (languages.empty())
    languages.push_back("en_US");
  std::vector<const char*> list;
  for (const auto& language : languages)
    list.push_back(language.c_str());
  list.push_back(nullptr);
  webkit_web_context_set_spell_checking_enabled(context, TRUE);
  webkit_web_context_set_spell_checking_languages(context, list.data());
}

// The icon travels inside the binary; GtkApplication finds it under its
// resource base path, installed or not.
void registerResources() {
  static const bool registered = [] {
    const GBytesPtr bytes(g_bytes_new_static(resources::bundle, sizeof resources::bundle));
    GErrorPtr error;
    using GResourcePtr = std::unique_ptr<GResource, CDeleter<g_resource_unref>>;
    const GResourcePtr resource(g_resource_new_from_data(bytes.get(), out(error)));
    if (!resource) {
      g_debug("the application icon is missing: %s", error->message);
      return false;
    }
    // The registry keeps a reference of its own.
    g_resources_register(resource.get());
    return true;
  }();
  (void)registered;
}

} // namespace

Backend::Backend()
    : app_(makeApplication()), store_(KeyFileStore::defaultFile()), settings_(store_),
      alerts_(app_.get()), desktop_{*this,      *this,         alerts_,    settings_, http_,
                                    clipboard_, dockTile_,     workspace_, files_,    location_,
                                    mainQueue_, connectivity_, lastCopies_},
      notifications_(app_.get()) {
  g_set_application_name("Velmora");
  // The core's decisions join the backend's own lines, tagged with the part
  // that took them.
  log::setSink([](log::Module module, std::string_view message) {
    const std::string_view tag = log::moduleName(module);
    g_debug("%.*s: %.*s", static_cast<int>(tag.size()), tag.data(),
            static_cast<int>(message.size()), message.data());
  });
  registerResources();
  g_application_add_main_option(G_APPLICATION(app_.get()), "version", 0, G_OPTION_FLAG_NONE,
                                G_OPTION_ARG_NONE, "Show the version and exit", nullptr);
  g_application_add_main_option(G_APPLICATION(app_.get()), "log-file", 0, G_OPTION_FLAG_NONE,
                                G_OPTION_ARG_FILENAME, "Also append Velmora's log lines to PATH",
                                "PATH");
  signals_.emplace_back(app_.get(), "notify::is-registered", G_CALLBACK(onRegistered), this);
  signals_.emplace_back(app_.get(), "startup", G_CALLBACK(onStartup), this);
  signals_.emplace_back(app_.get(), "activate", G_CALLBACK(onActivate), this);
  signals_.emplace_back(app_.get(), "open", G_CALLBACK(onOpen), this);
  signals_.emplace_back(app_.get(), "shutdown", G_CALLBACK(onShutdown), this);
  signals_.emplace_back(app_.get(), "handle-local-options", G_CALLBACK(onHandleLocalOptions),
                        nullptr);
}

Backend::~Backend() = default;

int Backend::run(ApplicationDelegate& delegate, int argc, char** argv) {
  delegate_ = &delegate;
  return g_application_run(G_APPLICATION(app_.get()), argc, argv);
}

// Answered in the process that was started, before it looks for a running
// instance on the bus or opens the display.
int Backend::onHandleLocalOptions(GApplication*, GVariantDict* options, gpointer) {
  const char* logFile = nullptr;
  if (g_variant_dict_lookup(options, "log-file", "^&ay", &logFile) && logFile && *logFile)
    (void)setDebugLogFile(logFile);
  if (!g_variant_dict_contains(options, "version"))
    return -1;
  g_print("Velmora %s\n", VELMORA_VERSION);
  return 0;
}

// The launch's milestones are logged under the "Velmora" domain, shown with
// G_MESSAGES_DEBUG=Velmora; bench/run.py reads them for its launch profile.
void Backend::onRegistered(GApplication*, GParamSpec*, gpointer) {
  g_debug("launch: registered on the session bus");
}

void Backend::onStartup(GApplication*, gpointer self) {
  auto* backend = static_cast<Backend*>(self);
  // GtkApplication has opened the display by now.
  g_debug("launch: GTK ready");
  // Only the primary instance gets here: a second `velmora LINK` hands its
  // link to the running one over D-Bus and exits. What an older version
  // left readable to others is closed before the engine opens any of it.
  tightenPrivateFolders(privateFolders());
  backend->session_ = makeNetworkSession();
  g_debug("launch: web data session made");
  enableSpellChecking();
  gtk_window_set_default_icon_name(applicationId);
  backend->delegate_->applicationWillFinishLaunching();
  g_debug("launch: menus built");
}

void Backend::onActivate(GApplication*, gpointer self) {
  auto* backend = static_cast<Backend*>(self);
  if (!backend->launched_) {
    backend->launchIfNeeded();
    return;
  }
  // Started again with nothing to open: the desktop's "reopen".
  backend->delegate_->applicationShouldHandleReopen(backend->appWindow_ &&
                                                    backend->appWindow_->isVisible());
}

void Backend::onOpen(GApplication*, GFile** files, int count, const char*, gpointer self) {
  auto* backend = static_cast<Backend*>(self);
  std::vector<Url> urls;
  for (int i = 0; i < count; ++i) {
    if (auto url = Url::parse(takeString(g_file_get_uri(files[i]))))
      urls.push_back(*url);
  }
  backend->delegate_->openURLs(urls);
  backend->launchIfNeeded();
}

void Backend::onShutdown(GApplication*, gpointer self) {
  auto* backend = static_cast<Backend*>(self);
  if (backend->appWindow_)
    backend->appWindow_->saveFrame();
}

void Backend::launchIfNeeded() {
  if (launched_)
    return;
  launched_ = true;
  delegate_->applicationDidFinishLaunching();
  invalidateMenuItems();
}

Menu* Backend::setMainMenu(const MenuBar& menuBar) {
  auto drawn = drawMenuBar(app_.get(), menuBar);
  gtk_application_set_menubar(app_.get(), G_MENU_MODEL(drawn.bar.get()));
  installApplicationActions(
      app_.get(), [this](Action action, GVariant* parameter) { performAction(action, parameter); });
  refreshOpenAtLogin();
  goMenu_ = std::move(drawn.goMenu);
  return goMenu_.get();
}

void Backend::refreshOpenAtLogin() {
  GAction* action =
      g_action_map_lookup_action(G_ACTION_MAP(app_.get()), actionName(Action::toggleOpenAtLogin));
  if (action)
    g_simple_action_set_state(G_SIMPLE_ACTION(action), g_variant_new_boolean(opensAtLogin()));
}

void Backend::activateIgnoringOtherApps() {
  if (window_)
    gtk_window_present(GTK_WINDOW(window_));
}

void Backend::terminate() {
  if (appWindow_)
    appWindow_->saveFrame();
  g_application_quit(G_APPLICATION(app_.get()));
}

void Backend::invalidateMenuItems() {
  if (!window_ || !delegate_)
    return;
  for (Action action : validatedActions()) {
    GAction* gaction = g_action_map_lookup_action(G_ACTION_MAP(window_), actionName(action));
    if (gaction)
      g_simple_action_set_enabled(G_SIMPLE_ACTION(gaction), delegate_->validate(action));
  }
}

std::unique_ptr<Window> Backend::createWindow(const WindowDescription& description) {
  auto window = std::make_unique<GtkAppWindow>(
      app_.get(), session_.get(), store_, description,
      WindowHooks{[this](GtkApplicationWindow* window) { installWindowActions(window); },
                  [this](WebKitWebView* view) { notifications_.watch(view); }});
  window_ = GTK_APPLICATION_WINDOW(window->gtkWindow());
  appWindow_ = window.get();
  return window;
}

void Backend::installWindowActions(GtkApplicationWindow* window) {
  const ActionDispatcher dispatch = [this](Action action, GVariant* parameter) {
    performAction(action, parameter);
  };
  ::velmora::gtk::installWindowActions(window, dispatch);
  // The Go menu's items act on this window.
  if (goMenu_)
    goMenu_->attach(window, dispatch);
}

void Backend::performAction(Action action, GVariant* parameter) {
  if (isEditingAction(action)) {
    if (window_)
      performEditingAction(GTK_WINDOW(window_), action);
    return;
  }
  switch (action) {
  case Action::orderFrontStandardAboutPanel: {
    const SupportFacts facts = supportFacts(settings_);
    std::string server = facts.server.value_or("none set");
    if (facts.serverLocked)
      server += " (set by the administrator)";
    showAboutDialog(window_ ? GTK_WINDOW(window_) : nullptr, server);
    return;
  }
  case Action::copySupportReport:
    clipboard_.writeText(supportReport(supportFacts(settings_)));
    return;
  case Action::toggleOpenAtLogin:
    (void)setOpensAtLogin(!opensAtLogin());
    refreshOpenAtLogin();
    return;
  case Action::terminate:
    terminate();
    return;
  case Action::showKeyboardShortcuts:
    showShortcutsWindow(app_.get(), window_ ? GTK_WINDOW(window_) : nullptr);
    return;
  default:
    // Everything else is the application delegate's.
    break;
  }
  std::optional<Url> target;
  if (parameter && g_variant_is_of_type(parameter, G_VARIANT_TYPE_STRING))
    target = Url::parse(g_variant_get_string(parameter, nullptr));
  delegate_->perform(action, target);
}

} // namespace velmora::gtk
