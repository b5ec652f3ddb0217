// Helpers for tests that run real processes: a temporary home for the
// application, the sample platform with its request log, the velmora binary
// driven over D-Bus, the X screen it draws on, and polling that never sleeps
// a fixed time.
#pragma once

#include "glib_owners/glib_ptr.hpp"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GSubprocess GSubprocess;

namespace velmora::testing {

using namespace std::chrono_literals;

// Polls `condition` every 50 ms, running pending main-loop work in between,
// until it holds or `timeout` passes. Gives the condition's last value.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s);

// A fresh folder for HOME and the XDG folders, removed when done, so a test
// never touches the user's own files.
class TempHome {
public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  [[nodiscard]] const std::filesystem::path& root() const { return root_; }
  [[nodiscard]] std::filesystem::path settingsFile() const;
  [[nodiscard]] std::filesystem::path downloads() const { return root_ / "Downloads"; }
  void writeSettings(const std::string& text) const;
  // Settings as the application leaves them once it has connected to `url`.
  void storeServer(const std::string& url) const;
  [[nodiscard]] std::string readSettings() const;
  // The machine's configuration folders ($XDG_CONFIG_DIRS), in order: two
  // empty folders of this home, so the real /etc/xdg never leaks in.
  [[nodiscard]] std::vector<std::filesystem::path> systemConfigDirs() const;
  // HOME and the XDG variables pointing into this folder.
  [[nodiscard]] std::map<std::string, std::string> environment() const;

private:
  std::filesystem::path root_;
};

// A child process; ended and reaped when destroyed.
class Process {
public:
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          bool captureStdout = false);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // One line of standard output (without its line break), or none on time-out
  // or end of output.
  [[nodiscard]] std::optional<std::string> readLine(std::chrono::milliseconds timeout = 10s);
  [[nodiscard]] bool waitForExit(std::chrono::milliseconds timeout = 20s);
  [[nodiscard]] bool running() const;
  [[nodiscard]] int pid() const;
  void terminate();

private:
  GObjectPtr<GSubprocess> process_;
  std::string buffered_;
};

struct LoggedRequest {
  std::string method, path, query, userAgent, accept, cookie;
};

// The sample platform on a loopback address and an ephemeral port.
class SamplePlatform {
public:
  explicit SamplePlatform(std::vector<std::string> extraArgs = {},
                          const std::string& host = "127.0.0.1");
  ~SamplePlatform();
  SamplePlatform(const SamplePlatform&) = delete;
  SamplePlatform& operator=(const SamplePlatform&) = delete;
  [[nodiscard]] const std::string& url() const { return url_; } // no trailing slash
  [[nodiscard]] std::vector<LoggedRequest> requests() const;
  // Waits for a logged request that matches, among those logged after the
  // first `since` requests.
  [[nodiscard]] std::optional<LoggedRequest>
  waitForRequest(const std::function<bool(const LoggedRequest&)>& match,
                 std::chrono::milliseconds timeout = 20s, size_t since = 0) const;
  // Waits for a request of `path`, logged after the first `since`.
  [[nodiscard]] bool waitForPath(const std::string& path, size_t since = 0) const;
  // Sends GET /__control?QUERY and gives the status.
  int control(const std::string& query) const;
  void stop();

private:
  std::filesystem::path folder_; // the log and the sessions file
  std::filesystem::path log_;
  std::unique_ptr<Process> process_;
  std::string url_;
};

// The velmora binary, in a temporary home, on this test's D-Bus session.
class App {
public:
  // `launcher` goes before the binary, e.g. {"prlimit", "--fsize=1048576"}.
  explicit App(const TempHome& home, std::vector<std::string> args = {},
               std::vector<std::string> launcher = {});
  ~App();
  // Activates an exported action: "app.NAME" or "win.NAME".
  bool activate(const std::string& action, const std::optional<std::string>& stringParameter = {});
  // Quits through the Quit action and waits for the process to end.
  bool quit();
  [[nodiscard]] Process& process() { return *process_; }

private:
  std::unique_ptr<Process> process_;
};

// The application on the sample platform whose address its home stores.
// Whatever must watch it from the start is made before `launch`.
class PlatformSession {
public:
  // `signedIn` makes the platform's sign-in page pass straight on to the
  // dashboard.
  explicit PlatformSession(bool signedIn = false);
  ~PlatformSession(); // quits the application, expecting it to end
  // Starts the application and waits for its first page.
  void launch(std::vector<std::string> launcher = {});
  // Opens a platform page in the window, as a Go menu entry would.
  void open(const std::string& path);
  [[nodiscard]] size_t logged() const { return platform.requests().size(); }
  // Does `act`, then waits for a probe page's report logged after it whose
  // query matches `pattern` (a regular expression); gives the query.
  std::optional<std::string> reportAfter(const std::function<void()>& act,
                                         const std::string& pattern,
                                         std::chrono::milliseconds timeout = 20s);
  // Opens a probe page and waits for its report.
  void show(const std::string& path, const std::string& pattern);

  SamplePlatform platform;
  TempHome home;
  std::unique_ptr<App> app;

private:
  bool signedIn_;
};

// The page width in CSS pixels that the zoom probe reported in `query`; it
// shrinks as the page is zoomed in. 0 without a report.
[[nodiscard]] int probeWidth(const std::optional<std::string>& query);

// One object of an application's accessibility tree as a screen reader
// reads it over AT-SPI.
struct AccessibleNode {
  std::string role; // as AT-SPI names it: "push button", "label", ...
  std::string name;
  bool focused = false;
};
// The accessibility tree of the application with this process id, depth
// first, without the page's own content; empty when it cannot be read. The
// application must run with GTK_A11Y=atspi.
[[nodiscard]] std::vector<AccessibleNode> accessibleTree(int pid);
// Whether an object of the tree has this role and name (and the keyboard
// focus, when asked).
[[nodiscard]] bool hasAccessible(const std::vector<AccessibleNode>& tree, const std::string& role,
                                 const std::string& name, bool focused = false);
// Waits until the application's tree has such an object; `read` gets the
// tree as it was read last.
bool waitForAccessible(int pid, const std::string& role, const std::string& name,
                       bool focused = false, std::vector<AccessibleNode>* read = nullptr);

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);
// Runs a command to completion; gives its standard output.
std::string runCommand(const std::vector<std::string>& argv);
// Saves a picture of the whole screen as build/screenshots/NAME.png, where a
// person can look at what a test saw.
void screenshot(const std::string& name);

// The main window's title: "Velmora", or "Velmora (N)" while the page
// reports N unread, as an extended regular expression.
inline constexpr const char* mainWindowTitle = "^Velmora( \\([0-9]+\\))?$";
// The oldest X window on show whose title matches `title` (an extended
// regular expression), "" while there is none.
std::string visibleWindow(const std::string& title);
// Waits for one; "" when none came.
std::string waitForWindow(const std::string& title = mainWindowTitle);
// The window's title as the desktop reads it.
std::string windowTitle(const std::string& window);
// Whether the window's `region` (an ImageMagick crop geometry) shows any
// pixel of `colour` ("R,G,B").
bool showsColour(const std::string& window, const std::string& colour, const std::string& region);

struct WindowSize {
  int width = 0, height = 0;
  bool operator==(const WindowSize&) const = default;
};
[[nodiscard]] std::optional<WindowSize> windowSize(const std::string& window);
// The colour of a pixel of the window as "R,G,B" (0-255).
std::string pixelIn(const std::string& window, int x, int y);
// Whether the window's `region` (an ImageMagick crop geometry, placed by
// `gravity`) shows more than a few colours, that is, whether something has
// been drawn there. Until a window draws itself the X server shows what
// lies beneath it.
bool painted(const std::string& window, const std::string& region,
             const std::string& gravity = "northwest");
// Whether the main window is covered by the error screen, whose dark colour
// shows a little in from its lower right corner.
bool showsErrorScreen();
// The colour of the notice bar over the page.
inline constexpr const char* noticeColour = "253,241,199";
// Presses the keys (separated by spaces, such as "ctrl+a ctrl+x") in the window.
void pressKeys(const std::string& window, const std::string& keys);
// Waits until the dialog whose title starts with `title` has drawn its
// bottom row, which holds its buttons; gives its window, "" when it never did.
std::string waitForDialog(const std::string& title);
// Waits for the dialog to be drawn, presses Return in it and waits for it to go.
bool answerWithReturn(const std::string& title);
// Clicks at a point of the window. The pointer is moved first, on its own,
// so the toolkit has seen it arrive before the button goes down.
void clickAt(const std::string& window, int x, int y, int button = 1);
// Waits until the middle of the Velmora window shows `colour` ("R,G,B"),
// the colour of an element stretched over the whole page, then clicks
// there with `button`; false when it never does.
[[nodiscard]] bool clickTheMiddleOnceItIs(const std::string& colour, int button = 1);
// The colour of the sample platform's links stretched over the page (?cover=ID).
inline constexpr const char* stretchedLinkColour = "255,251,232";

} // namespace velmora::testing
