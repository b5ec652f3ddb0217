// The in-memory double of every desktop service and of the web view. Tests
// drive the core through it and assert on what it recorded: pages loaded,
// alerts shown (answered with `alerts.answer`), requests made (completed
// with `http.complete`), URLs opened, badges set, files revealed.
#pragma once

#include "platform/desktop.hpp"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora::testing {

class FakeMenu final : public Menu {
public:
  void removeAllItems() override { items.clear(); }
  [[nodiscard]] int numberOfItems() const override { return static_cast<int>(items.size()); }
  void addItem(const MenuItem& item) override { items.push_back(item); }
  std::vector<MenuItem> items;
};

class FakeApplication final : public Application {
public:
  Menu* setMainMenu(const MenuBar&) override { return &goMenu; }
  void activateIgnoringOtherApps() override { ++activations; }
  void terminate() override { terminated = true; }
  void invalidateMenuItems() override { ++menuInvalidations; }

  FakeMenu goMenu;
  int activations = 0;
  bool terminated = false;
  int menuInvalidations = 0;
};

class FakeWebView final : public WebView {
public:
  explicit FakeWebView(WebViewDelegates delegates) : delegates(delegates) {}
  void loadRequest(const UrlRequest& request) override { loadedRequests.push_back(request); }
  void stopLoading() override { ++stops; }
  void terminateWebProcess() override { ++terminations; }
  // The loaded addresses as text, in order.
  [[nodiscard]] std::vector<std::string> loadedAddresses() const {
    std::vector<std::string> addresses;
    for (const UrlRequest& request : loadedRequests)
      addresses.push_back(request.url.absoluteString());
    return addresses;
  }
  void reload() override { ++reloads; }
  void goBack() override {}
  void goForward() override {}
  [[nodiscard]] bool canGoBack() const override { return backPossible; }
  [[nodiscard]] bool canGoForward() const override { return forwardPossible; }
  [[nodiscard]] double pageZoom() const override { return zoom; }
  void setPageZoom(double value) override { zoom = value; }
  [[nodiscard]] std::optional<Url> url() const override { return currentURL; }
  void evaluateJavaScript(const std::string& script) override { scripts.push_back(script); }
  void print() override {}
  void performTextFinderAction(TextFinderAction) override {}
  void saveArchive(std::function<void(std::optional<std::string>)> done) override {
    archiveRequests.push_back(std::move(done));
  }
  [[nodiscard]] std::optional<std::string>
  pageResponseHeader(const std::string& name) const override {
    const auto found = responseHeaders.find(name);
    return found == responseHeaders.end() ? std::nullopt : std::optional(found->second);
  }

  // Who the engine would call; tests call them as the engine would.
  WebViewDelegates delegates;
  std::vector<UrlRequest> loadedRequests;
  int reloads = 0, stops = 0, terminations = 0;
  bool backPossible = false, forwardPossible = false;
  double zoom = 1.0;
  std::optional<Url> currentURL;
  std::vector<std::string> scripts;
  // Saves asked for and not yet answered, oldest first.
  std::vector<std::function<void(std::optional<std::string>)>> archiveRequests;
  std::map<std::string, std::string> responseHeaders;
};

class FakeWindow;

// An overlay laid on a FakeWindow; the window keeps track of what is attached.
class FakeView final : public View {
public:
  FakeView(FakeWindow& window, int id) : window(window), id(id) {}
  ~FakeView() override { removeFromSuperview(); }
  void removeFromSuperview() override;
  FakeWindow& window;
  int id;
};

// Records the download note and the Downloads window's rows.
class FakeDownloadsView final : public DownloadsView {
public:
  void showNote(const DownloadNote& shown) override { note = shown; }
  void hideNote() override { note.reset(); }
  void setRows(std::vector<DownloadRow> shown) override { rows = std::move(shown); }
  void showList() override {}

  std::optional<DownloadNote> note;
  std::vector<DownloadRow> rows;
};

class FakeWindow final : public Window {
public:
  // `saved` plays the settings file: it outlives the window.
  FakeWindow(const WindowDescription& description, std::map<std::string, std::string>& saved)
      : title(description.title), savedValues(saved) {}
  void showWindow() override {
    visible = true;
    ++shows;
  }
  [[nodiscard]] bool isVisible() const override { return visible; }
  void setTitle(const std::string& shown) override { title = shown; }
  void setToolbar(const ToolbarDescription&, ToolbarDelegate&) override {}
  [[nodiscard]] std::unique_ptr<WebView> createWebView(const WebViewConfiguration&,
                                                       WebViewDelegates delegates) override {
    auto view = std::make_unique<FakeWebView>(delegates);
    webView = view.get();
    return view;
  }
  [[nodiscard]] std::unique_ptr<View> addOverlay(const OverlayDescription& description) override {
    attachedOverlays.emplace(++lastOverlayId, description);
    return std::make_unique<FakeView>(*this, lastOverlayId);
  }
  void showNotice(const std::optional<NoticeDescription>& description) override {
    notice = description;
  }
  void showLoadProgress(std::optional<double> fraction) override {
    loadProgress = fraction;
    loadProgressHistory.push_back(fraction);
  }
  [[nodiscard]] DownloadsView& downloadsView() override { return downloads; }
  void miniaturize() override { ++miniaturizations; }
  void zoom() override { ++zooms; }
  [[nodiscard]] std::optional<std::string> savedValue(std::string_view key) const override {
    const auto found = savedValues.find(std::string(key));
    return found == savedValues.end() ? std::nullopt : std::optional(found->second);
  }
  void saveValue(std::string_view key, const std::string& value) override {
    savedValues[std::string(key)] = value;
  }

  // The overlay laid last among those still attached; null when none is.
  [[nodiscard]] const OverlayDescription* shownOverlay() const {
    return attachedOverlays.empty() ? nullptr : &attachedOverlays.rbegin()->second;
  }

  std::string title;
  FakeDownloadsView downloads;
  FakeWebView* webView = nullptr;
  std::map<int, OverlayDescription> attachedOverlays;
  std::optional<NoticeDescription> notice;
  std::optional<double> loadProgress;
  std::vector<std::optional<double>> loadProgressHistory;
  int lastOverlayId = 0;
  bool visible = false;
  int shows = 0, miniaturizations = 0, zooms = 0;
  std::map<std::string, std::string>& savedValues;
};

inline void FakeView::removeFromSuperview() {
  window.attachedOverlays.erase(id);
}

class FakeWindowSystem final : public WindowSystem {
public:
  [[nodiscard]] std::unique_ptr<Window>
  createWindow(const WindowDescription& description) override {
    auto made = std::make_unique<FakeWindow>(description, savedValues);
    window = made.get();
    return made;
  }
  FakeWindow* window = nullptr;
  // What windows saved beside their size, kept across windows as a file is.
  std::map<std::string, std::string> savedValues;
};

// Alerts stack as GTK stacks modal dialogs: the newest is on top, and it is
// the one the user sees and answers.
class FakeAlerts final : public Alerts {
public:
  struct Shown {
    AlertId id;
    Alert alert;
    std::function<void(const AlertResponse&)> completion;
  };
  AlertId runModal(const Alert& alert,
                   std::function<void(const AlertResponse&)> completion) override {
    shown.push_back({++lastId, alert, std::move(completion)});
    history.push_back(alert);
    return lastId;
  }
  void dismiss(AlertId id) override {
    std::erase_if(shown, [&](auto& s) { return s.id == id; });
  }
  // The alert on top, waiting for an answer; null when none is on show.
  [[nodiscard]] const Alert* current() const {
    return shown.empty() ? nullptr : &shown.back().alert;
  }
  // Answers the alert on top, as the user pressing a button would.
  void answer(int code = alertFirstButtonReturn, std::string fieldText = {});

  std::deque<Shown> shown; // oldest first
  std::vector<Alert> history;
  AlertId lastId = 0;
};

class FakeSettings final : public Settings {
public:
  [[nodiscard]] std::optional<std::string> stringForKey(std::string_view key) const override {
    const auto found = values.find(std::string(key));
    return found == values.end() ? std::nullopt : std::optional(found->second);
  }
  [[nodiscard]] bool setString(std::string_view key, const std::string& value) override {
    if (!writable)
      return false;
    values[std::string(key)] = value;
    return true;
  }
  [[nodiscard]] std::optional<std::string> systemStringForKey(std::string_view key) const override {
    const auto found = systemValues.find(std::string(key));
    return found == systemValues.end() ? std::nullopt : std::optional(found->second);
  }
  std::map<std::string, std::string> values;
  // The machine-wide file's values.
  std::map<std::string, std::string> systemValues;
  bool writable = true;
};

class FakeHttpClient final : public HttpClient {
public:
  struct Pending {
    HttpRequest request;
    std::function<void(HttpResponse)> completion;
  };
  void get(const HttpRequest& request, std::function<void(HttpResponse)> completion) override {
    pending.push_back({request, std::move(completion)});
    requests.push_back(request);
  }
  // Completes the oldest request still open.
  void complete(HttpResponse response);

  std::deque<Pending> pending;
  std::vector<HttpRequest> requests;
};

class FakeClipboard final : public Clipboard {
public:
  void readText(std::function<void(std::optional<std::string>)> done) override { done(text); }
  void writeText(const std::string& written) override { text = written; }
  std::optional<std::string> text;
};

class FakeDockTile final : public DockTile {
public:
  void setBadgeLabel(const std::string& label) override {
    badgeLabel = label;
    badgeHistory.push_back(label);
  }
  void setProgress(std::optional<double> fraction) override { progressHistory.push_back(fraction); }
  std::optional<std::string> badgeLabel; // none until first set
  std::vector<std::string> badgeHistory;
  std::vector<std::optional<double>> progressHistory;
};

class FakeWorkspace final : public Workspace {
public:
  void openURL(const Url& url) override { openedURLs.push_back(url); }
  // The opened addresses as text, in order.
  [[nodiscard]] std::vector<std::string> openedAddresses() const {
    std::vector<std::string> addresses;
    for (const Url& url : openedURLs)
      addresses.push_back(url.absoluteString());
    return addresses;
  }
  void activateFileViewerSelectingURLs(const std::vector<std::filesystem::path>& files) override {
    revealedFiles.push_back(files);
  }
  std::vector<Url> openedURLs;
  std::vector<std::vector<std::filesystem::path>> revealedFiles;
};

class FakeFiles final : public Files {
public:
  [[nodiscard]] std::optional<std::filesystem::path> downloadsDirectory() const override {
    return downloads;
  }
  [[nodiscard]] bool fileExistsAtPath(const std::filesystem::path& path) const override {
    return existing.contains(path);
  }
  [[nodiscard]] bool createDirectory(const std::filesystem::path& path) override {
    existing.insert(path);
    return true;
  }
  [[nodiscard]] FileCreation createNewFile(const std::filesystem::path& path) override {
    if (existing.contains(path) || appearing.erase(path) > 0) {
      existing.insert(path);
      return {FileCreation::Outcome::exists, {}};
    }
    if (fileCreationError)
      return {FileCreation::Outcome::failed, *fileCreationError};
    existing.insert(path);
    createdFiles.push_back(path);
    return {FileCreation::Outcome::created, {}};
  }
  std::optional<std::filesystem::path> downloads = std::filesystem::path("/home/user/Downloads");
  std::set<std::filesystem::path> existing;
  // Files that someone else creates between the existence test and our own
  // creation of the same path.
  std::set<std::filesystem::path> appearing;
  std::optional<std::string> fileCreationError; // every new file fails with it
  std::vector<std::filesystem::path> createdFiles;
};

class FakeLocation final : public LocationService {
public:
  void requestWhenInUseAuthorization() override { ++authorizationRequests; }
  int authorizationRequests = 0;
};

// The main queue on a clock of the test's own: time stands still until the
// test moves it on with `advance`.
class FakeMainQueue final : public MainQueue {
public:
  void async(std::function<void()> task) override { tasks.push_back(std::move(task)); }
  DelayedTaskId after(std::chrono::milliseconds delay, std::function<void()> task) override {
    delayed.emplace(++lastId, Delayed{clock + delay, std::move(task)});
    return lastId;
  }
  void cancel(DelayedTaskId id) override { delayed.erase(id); }
  [[nodiscard]] Clock::time_point now() const override { return clock; }
  // Runs every queued task, including those queued while draining.
  void drain();
  // Moves the clock on, running each delayed task as its time comes, in
  // time order, and the queued tasks after each.
  void advance(std::chrono::milliseconds by);

  struct Delayed {
    Clock::time_point due;
    std::function<void()> task;
  };
  std::deque<std::function<void()>> tasks;
  std::map<DelayedTaskId, Delayed> delayed;
  Clock::time_point clock{};
  DelayedTaskId lastId = 0;
};

// Copies kept in memory; writes finish when the test says so.
class FakeLastCopyStore final : public LastCopyStore {
public:
  [[nodiscard]] std::optional<std::string> readIndex() override { return index; }
  void writeIndex(const std::string& text) override { index = text; }
  void writeCopy(const std::string& name, std::string bytes,
                 std::function<void(bool)> done) override {
    files[name] = std::move(bytes);
    pendingWrites.push_back(std::move(done));
  }
  void removeCopy(const std::string& name) override { files.erase(name); }
  [[nodiscard]] std::vector<std::string> copyNames() override {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files)
      names.push_back(name);
    return names;
  }
  void removeAll() override {
    files.clear();
    index.reset();
  }
  // Completes every write under way, each successfully.
  void finishWrites() {
    for (auto& done : std::exchange(pendingWrites, {}))
      done(true);
  }
  std::optional<std::string> index;
  std::map<std::string, std::string> files;
  std::vector<std::function<void(bool)>> pendingWrites;
};

class FakeConnectivity final : public Connectivity {
public:
  void setObserver(ConnectivityObserver* value) override { observer = value; }
  ConnectivityObserver* observer = nullptr;
};

// Every fake in one place, with the Desktop bundle the core takes.
struct FakeDesktop {
  FakeApplication application;
  FakeWindowSystem windows;
  FakeAlerts alerts;
  FakeSettings settings;
  FakeHttpClient http;
  FakeClipboard clipboard;
  FakeDockTile dockTile;
  FakeWorkspace workspace;
  FakeFiles files;
  FakeLocation location;
  FakeMainQueue mainQueue;
  FakeConnectivity connectivity;
  FakeLastCopyStore lastCopies;

  // Real services a test puts in the place of the double's.
  struct Real {
    WindowSystem* windows = nullptr;
    Settings* settings = nullptr;
    HttpClient* http = nullptr;
    Files* files = nullptr;
    MainQueue* mainQueue = nullptr;
  };
  // The bundle the core takes: the double's services except the real ones.
  [[nodiscard]] Desktop with(const Real& real) {
    return Desktop{application,
                   real.windows ? *real.windows : windows,
                   alerts,
                   real.settings ? *real.settings : settings,
                   real.http ? *real.http : http,
                   clipboard,
                   dockTile,
                   workspace,
                   real.files ? *real.files : files,
                   location,
                   real.mainQueue ? *real.mainQueue : mainQueue,
                   connectivity,
                   lastCopies};
  }
  Desktop desktop = with({});

  [[nodiscard]] FakeWindow& window() const { return *windows.window; }
  [[nodiscard]] FakeWebView& webView() const { return *windows.window->webView; }
};

} // namespace velmora::testing
