#include "processes.hpp"

#include "glib_owners/glib_ptr.hpp"
#include "session_bus.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velmora::testing {

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string stringMember(const boost::json::object& object, const char* key) {
  const auto* value = object.if_contains(key);
  return value && value->is_string() ? std::string(value->get_string()) : std::string();
}

std::filesystem::path makeTempFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!g_mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(50ms);
  }
}

TempHome::TempHome() : root_(makeTempFolder("velmora-test")) {
  for (const char* sub : {".config", ".local/share", ".cache", "Downloads", "Documents"})
    std::filesystem::create_directories(root_ / sub);
}

TempHome::~TempHome() {
  std::error_code ignored;
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TempHome::settingsFile() const {
  return root_ / ".config" / "velmora" / "settings.ini";
}

void TempHome::writeSettings(const std::string& text) const {
  std::filesystem::create_directories(settingsFile().parent_path());
  std::ofstream(settingsFile(), std::ios::binary) << text;
}

void TempHome::storeServer(const std::string& url) const {
  writeSettings("[Settings]\nserverURL=" + url + "\n");
}

std::string TempHome::readSettings() const {
  return readFile(settingsFile());
}

std::vector<std::filesystem::path> TempHome::systemConfigDirs() const {
  return {root_ / "etc-xdg-1", root_ / "etc-xdg-2"};
}

std::map<std::string, std::string> TempHome::environment() const {
  // The XDG user-dirs file names the Downloads folder as desktops do.
  std::filesystem::create_directories(root_ / ".config");
  std::ofstream(root_ / ".config" / "user-dirs.dirs")
      << "XDG_DOWNLOAD_DIR=\"" << downloads().string() << "\"\n"
      << "XDG_DOCUMENTS_DIR=\"" << (root_ / "Documents").string() << "\"\n";
  return {
      {"HOME", root_.string()},
      {"XDG_CONFIG_HOME", (root_ / ".config").string()},
      {"XDG_CONFIG_DIRS", systemConfigDirs()[0].string() + ":" + systemConfigDirs()[1].string()},
      {"XDG_DATA_HOME", (root_ / ".local/share").string()},
      {"XDG_CACHE_HOME", (root_ / ".cache").string()}};
}

Process::Process(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& env, bool captureStdout) {
  auto launcher = GObjectPtr<GSubprocessLauncher>::adopt(g_subprocess_launcher_new(
      captureStdout ? G_SUBPROCESS_FLAGS_STDOUT_PIPE : G_SUBPROCESS_FLAGS_NONE));
  for (const auto& [name, value] : env)
    g_subprocess_launcher_setenv(launcher.get(), name.c_str(), value.c_str(), TRUE);
  std::vector<const char*> args;
  for (const auto& arg : argv)
    args.push_back(arg.c_str());
  args.push_back(nullptr);
  GErrorPtr error;
  process_ = GObjectPtr<GSubprocess>::adopt(
      g_subprocess_launcher_spawnv(launcher.get(), args.data(), out(error)));
  if (!process_)
    throw std::runtime_error("cannot start " + argv.front() + ": " + error->message);
}

Process::~Process() {
  if (running()) {
    terminate();
    if (!waitForExit(5s))
      g_subprocess_force_exit(process_.get());
  }
  g_subprocess_wait(process_.get(), nullptr, nullptr);
}

std::optional<std::string> Process::readLine(std::chrono::milliseconds timeout) {
  GInputStream* output = g_subprocess_get_stdout_pipe(process_.get());
  if (!output)
    return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const auto newline = buffered_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      return line;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return std::nullopt;
    char chunk[256];
    GErrorPtr ignored;
    const gssize read = g_pollable_input_stream_read_nonblocking(
        G_POLLABLE_INPUT_STREAM(output), chunk, sizeof chunk, nullptr, out(ignored));
    if (read > 0) {
      buffered_.append(chunk, static_cast<size_t>(read));
    } else if (read == 0) {
      // End of output: a last line without a line break still counts.
      if (buffered_.empty())
        return std::nullopt;
      return std::exchange(buffered_, std::string());
    } else {
      std::this_thread::sleep_for(20ms);
    }
  }
}

bool Process::waitForExit(std::chrono::milliseconds timeout) {
  return waitUntil([this] { return !running(); }, timeout);
}

// GLib reaps the child on its worker thread; once it has, the process has
// no identifier any more.
bool Process::running() const {
  return g_subprocess_get_identifier(process_.get()) != nullptr;
}

int Process::pid() const {
  const char* id = g_subprocess_get_identifier(process_.get());
  return id ? std::stoi(id) : 0;
}

void Process::terminate() {
  g_subprocess_send_signal(process_.get(), SIGTERM);
}

SamplePlatform::SamplePlatform(std::vector<std::string> extraArgs, const std::string& host)
    : folder_(makeTempFolder("velmora-platform")), log_(folder_ / "requests.log") {
  std::vector<std::string> argv{
      VELMORA_SAMPLE_PLATFORM, "--host",        host, "--port", "0", "--log", log_.string(),
      "--state-dir",           folder_.string()};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  process_ = std::make_unique<Process>(argv, std::map<std::string, std::string>{}, true);
  while (auto line = process_->readLine(10s)) {
    const std::string prefix = "listening on ";
    if (line->rfind(prefix, 0) == 0) {
      url_ = line->substr(prefix.size());
      if (!url_.empty() && url_.back() == '/')
        url_.pop_back();
      return;
    }
  }
  throw std::runtime_error("the sample platform did not start");
}

std::vector<LoggedRequest> SamplePlatform::requests() const {
  std::vector<LoggedRequest> result;
  std::istringstream lines(readFile(log_));
  std::string line;
  while (std::getline(lines, line)) {
    boost::system::error_code error;
    auto json = boost::json::parse(line, error);
    if (error || !json.is_object())
      continue;
    const auto& object = json.get_object();
    result.push_back({stringMember(object, "method"), stringMember(object, "path"),
                      stringMember(object, "query"), stringMember(object, "user_agent"),
                      stringMember(object, "accept"), stringMember(object, "cookie")});
  }
  return result;
}

std::optional<LoggedRequest>
SamplePlatform::waitForRequest(const std::function<bool(const LoggedRequest&)>& match,
                               std::chrono::milliseconds timeout, size_t since) const {
  std::optional<LoggedRequest> found;
  waitUntil(
      [&] {
        const auto logged = requests();
        for (size_t i = since; i < logged.size(); ++i)
          if (match(logged[i])) {
            found = logged[i];
            return true;
          }
        return false;
      },
      timeout);
  return found;
}

bool SamplePlatform::waitForPath(const std::string& path, size_t since) const {
  return waitForRequest([&](const LoggedRequest& r) { return r.path == path; }, 20s, since)
      .has_value();
}

int SamplePlatform::control(const std::string& query) const {
  const std::string out = runCommand(
      {"curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", url_ + "/__control?" + query});
  return out.empty() ? 0 : std::stoi(out);
}

SamplePlatform::~SamplePlatform() {
  process_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void SamplePlatform::stop() {
  if (!process_)
    return;
  process_->terminate();
  (void)process_->waitForExit(5s);
}

App::App(const TempHome& home, std::vector<std::string> args, std::vector<std::string> launcher) {
  std::vector<std::string> argv = std::move(launcher);
  argv.push_back(VELMORA_BINARY);
  argv.insert(argv.end(), args.begin(), args.end());
  process_ = std::make_unique<Process>(argv, home.environment());
}

App::~App() = default;

bool App::activate(const std::string& action, const std::optional<std::string>& stringParameter) {
  const bool window = action.rfind("win.", 0) == 0;
  return activateAction(window ? "/com/haulvane/Velmora/window/1" : "/com/haulvane/Velmora",
                        action.substr(4), stringParameter);
}

bool App::quit() {
  // The application may not own its bus name yet right after start.
  waitUntil([this] { return activate("app.quit"); }, 10s);
  return process_->waitForExit(20s);
}

std::string runCommand(const std::vector<std::string>& argv) {
  Process process(argv, {}, true);
  std::string out;
  while (auto line = process.readLine(30s))
    out += *line + "\n";
  (void)process.waitForExit(30s);
  if (!out.empty() && out.back() == '\n')
    out.pop_back();
  return out;
}

void screenshot(const std::string& name) {
  const auto folder = std::filesystem::current_path() / "screenshots";
  std::filesystem::create_directories(folder);
  (void)runCommand({"import", "-window", "root", (folder / (name + ".png")).string()});
}

PlatformSession::PlatformSession(bool signedIn) : signedIn_(signedIn) {
  if (signedIn) {
    EXPECT_EQ(platform.control("autosignin=1"), 200);
  }
  home.storeServer(platform.url());
}

PlatformSession::~PlatformSession() {
  if (app) {
    EXPECT_TRUE(app->quit());
  }
}

void PlatformSession::launch(std::vector<std::string> launcher) {
  const size_t since = logged();
  app = std::make_unique<App>(home, std::vector<std::string>{}, std::move(launcher));
  ASSERT_TRUE(platform.waitForPath(signedIn_ ? "/dashboard" : "/login", since))
      << "the application never showed its first page";
}

void PlatformSession::open(const std::string& path) {
  ASSERT_TRUE(waitUntil([&] { return app->activate("win.goToPath", platform.url() + path); }));
}

std::optional<std::string> PlatformSession::reportAfter(const std::function<void()>& act,
                                                        const std::string& pattern,
                                                        std::chrono::milliseconds timeout) {
  const size_t since = logged();
  act();
  const std::regex wanted(pattern);
  const auto found = platform.waitForRequest(
      [&](const LoggedRequest& r) {
        return r.path == "/probe/report" && std::regex_search(r.query, wanted);
      },
      timeout, since);
  return found ? std::optional(found->query) : std::nullopt;
}

void PlatformSession::show(const std::string& path, const std::string& pattern) {
  ASSERT_TRUE(reportAfter([&] { open(path); }, pattern)) << path;
}

int probeWidth(const std::optional<std::string>& query) {
  static const std::regex width("width=(\\d+)");
  std::smatch match;
  return query && std::regex_search(*query, match, width) ? std::stoi(match[1].str()) : 0;
}

std::vector<AccessibleNode> accessibleTree(int pid) {
  std::istringstream lines(
      runCommand({"/usr/bin/python3", VELMORA_SOURCE_DIR "/tests/e2e/accessible_tree.py",
                  std::to_string(pid)}));
  std::vector<AccessibleNode> tree;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    AccessibleNode node;
    std::string states;
    std::getline(fields, node.role, '\t');
    std::getline(fields, node.name, '\t');
    std::getline(fields, states);
    node.focused = states.find("focused") != std::string::npos;
    tree.push_back(std::move(node));
  }
  return tree;
}

bool hasAccessible(const std::vector<AccessibleNode>& tree, const std::string& role,
                   const std::string& name, bool focused) {
  return std::ranges::any_of(tree, [&](const AccessibleNode& node) {
    return node.role == role && node.name == name && (!focused || node.focused);
  });
}

bool waitForAccessible(int pid, const std::string& role, const std::string& name, bool focused,
                       std::vector<AccessibleNode>* read) {
  std::vector<AccessibleNode> tree;
  const bool found = waitUntil([&] {
    tree = accessibleTree(pid);
    return hasAccessible(tree, role, name, focused);
  });
  if (read)
    *read = std::move(tree);
  return found;
}

std::string visibleWindow(const std::string& title) {
  std::istringstream ids(runCommand({"xdotool", "search", "--onlyvisible", "--name", title}));
  std::string first;
  std::getline(ids, first);
  return first;
}

std::string waitForWindow(const std::string& title) {
  std::string id;
  waitUntil([&] { return !(id = visibleWindow(title)).empty(); });
  return id;
}

std::optional<WindowSize> windowSize(const std::string& window) {
  const std::string text = runCommand({"xdotool", "getwindowgeometry", "--shell", window});
  static const std::regex width("WIDTH=(\\d+)"), height("HEIGHT=(\\d+)");
  std::smatch w, h;
  if (!std::regex_search(text, w, width) || !std::regex_search(text, h, height))
    return std::nullopt;
  return WindowSize{std::stoi(w[1]), std::stoi(h[1])};
}

namespace {

// A picture of the window, cut down as the `crop` arguments of ImageMagick
// say, then described by `format`.
std::string describeWindow(const std::string& window, std::vector<std::string> crop,
                           const std::string& format) {
  const auto file = std::filesystem::temp_directory_path() / ("velmora-window-" + window + ".png");
  (void)runCommand({"import", "-window", window, file.string()});
  std::vector<std::string> argv{"convert", file.string()};
  argv.insert(argv.end(), crop.begin(), crop.end());
  argv.insert(argv.end(), {"+repage", "-format", format, "info:"});
  const std::string text = runCommand(argv);
  std::filesystem::remove(file);
  return text;
}

} // namespace

std::string pixelIn(const std::string& window, int x, int y) {
  return describeWindow(window, {"-crop", "1x1+" + std::to_string(x) + "+" + std::to_string(y)},
                        "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]");
}

bool painted(const std::string& window, const std::string& region, const std::string& gravity) {
  const std::string colours = describeWindow(window, {"-gravity", gravity, "-crop", region}, "%k");
  return !colours.empty() && std::stoi(colours) > 8;
}

bool showsColour(const std::string& window, const std::string& colour, const std::string& region) {
  // Every other colour becomes black; what is left is the colour or nothing.
  const std::string left = describeWindow(
      window, {"-crop", region, "+repage", "-fill", "black", "+opaque", "rgb(" + colour + ")"},
      "%[max]");
  return !left.empty() && left != "0";
}

bool showsErrorScreen() {
  const std::string window = visibleWindow(mainWindowTitle);
  const auto size = window.empty() ? std::nullopt : windowSize(window);
  return size && pixelIn(window, size->width - 12, size->height - 12) == "12,14,18";
}

std::string windowTitle(const std::string& window) {
  return runCommand({"xdotool", "getwindowname", window});
}

void pressKeys(const std::string& window, const std::string& keys) {
  std::vector<std::string> argv{"xdotool", "windowfocus", "--sync",
                                window,    "key",         "--clearmodifiers"};
  std::istringstream each(keys);
  for (std::string key; each >> key;)
    argv.push_back(key);
  (void)runCommand(argv);
}

std::string waitForDialog(const std::string& title) {
  std::string id;
  waitUntil([&] {
    id = visibleWindow("^" + title);
    return !id.empty() && painted(id, "100%x15%+0+0", "south");
  });
  return id;
}

bool answerWithReturn(const std::string& title) {
  const std::string id = waitForDialog(title);
  if (id.empty())
    return false;
  pressKeys(id, "Return");
  return waitUntil([&] { return visibleWindow("^" + title) != id; }, 10s);
}

bool clickTheMiddleOnceItIs(const std::string& colour, int button) {
  const std::string window = waitForWindow();
  std::optional<WindowSize> size;
  if (!waitUntil([&] {
        size = windowSize(window);
        return size && pixelIn(window, size->width / 2, size->height / 2) == colour;
      }))
    return false;
  clickAt(window, size->width / 2, size->height / 2, button);
  return true;
}

void clickAt(const std::string& window, int x, int y, int button) {
  (void)runCommand(
      {"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y)});
  (void)runCommand({"xdotool", "mousemove_relative", "1", "0"});
  (void)runCommand({"xdotool", "click", std::to_string(button)});
}

} // namespace velmora::testing
