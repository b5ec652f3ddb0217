// Downloads with the real engine and the real file system, the window
// controller in-process with scripted alerts: what is left on disk and what
// the user is told when a download goes wrong, and how new files are made.
#include "fake_desktop.hpp"
#include "platform/gtk/services.hpp"
#include "platform/gtk/web_view.hpp"
#include "processes.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// A plain GTK window around the real web view; the rest of the product's
// window plays no part in downloads.
class EngineWindow final : public Window {
public:
  explicit EngineWindow(WebKitNetworkSession* session)
      : session_(session), window_(GTK_WINDOW(gtk_window_new())) {}
  ~EngineWindow() override { gtk_window_destroy(window_); }
  void showWindow() override { gtk_window_present(window_); }
  [[nodiscard]] bool isVisible() const override {
    return gtk_widget_get_visible(GTK_WIDGET(window_));
  }
  void setToolbar(const ToolbarDescription&, ToolbarDelegate&) override {}
  [[nodiscard]] std::unique_ptr<WebView> createWebView(const WebViewConfiguration& configuration,
                                                       WebViewDelegate& delegate) override {
    auto view = std::make_unique<gtk::GtkWebView>(session_, configuration, delegate);
    gtk_window_set_child(window_, view->widget());
    return view;
  }
  [[nodiscard]] std::unique_ptr<View> addOverlay(const OverlayDescription&) override {
    return nullptr;
  }
  void miniaturize() override {}
  void zoom() override {}

private:
  WebKitNetworkSession* session_;
  GtkWindow* window_;
};

class EngineWindowSystem final : public WindowSystem {
public:
  explicit EngineWindowSystem(WebKitNetworkSession* session) : session_(session) {}
  [[nodiscard]] std::unique_ptr<Window> createWindow(const WindowDescription&) override {
    return std::make_unique<EngineWindow>(session_);
  }

private:
  WebKitNetworkSession* session_;
};

// The real file operations, with the Downloads folder named by the test.
// `claimFolder` makes it report a folder it never made, so the engine meets
// a destination it cannot write.
class FilesIn final : public Files {
public:
  explicit FilesIn(fs::path folder) : folder(std::move(folder)) {}
  [[nodiscard]] std::optional<fs::path> downloadsDirectory() const override { return folder; }
  [[nodiscard]] bool fileExistsAtPath(const fs::path& path) const override {
    return real_.fileExistsAtPath(path);
  }
  [[nodiscard]] bool createDirectory(const fs::path& path) override {
    return claimFolder || real_.createDirectory(path);
  }
  [[nodiscard]] FileCreation createNewFile(const fs::path& path) override {
    if (claimFolder)
      return {FileCreation::Outcome::created, {}};
    return real_.createNewFile(path);
  }
  fs::path folder;
  bool claimFolder = false;

private:
  gtk::LocalFiles real_;
};

// Everything a download touches: the sample platform, a temporary home, the
// real engine in a window, the controller, and the double for the rest.
struct EngineDownloads {
  EngineDownloads() {
    fake.settings.values["serverURL"] = platform.url();
    controller = std::make_unique<BrowserWindowController>(desktop);
    controller->showWindow();
  }

  void open(const std::string& path) {
    controller->openIfSameServer(*Url::parse(platform.url() + path));
  }
  [[nodiscard]] std::vector<std::string> downloadedNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(home.downloads()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  SamplePlatform platform;
  TempHome home;
  FakeDesktop fake;
  gtk::GObjectPtr<WebKitNetworkSession> session =
      gtk::GObjectPtr<WebKitNetworkSession>::adopt(webkit_network_session_new_ephemeral());
  EngineWindowSystem windows{session.get()};
  FilesIn files{home.downloads()};
  Desktop desktop{fake.application, windows,       fake.alerts,    fake.settings, fake.http,
                  fake.clipboard,   fake.dockTile, fake.workspace, files,         fake.location,
                  fake.mainQueue};
  std::unique_ptr<BrowserWindowController> controller;
};

class DownloadsEngineTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { gtk_init(); }
};

TEST_F(DownloadsEngineTest, AConnectionLostHalfwayIsAFailureAndLeavesNoFile) {
  EngineDownloads downloads;
  downloads.open("/files/broken.bin");

  ASSERT_TRUE(waitUntil([&] { return downloads.fake.alerts.current() != nullptr; }))
      << "no alert; in Downloads: " << ::testing::PrintToString(downloads.downloadedNames());
  const Alert& alert = *downloads.fake.alerts.current();
  EXPECT_EQ(alert.messageText, "Download failed");
  EXPECT_NE(alert.informativeText.find("65536 of 262144"), std::string::npos)
      << alert.informativeText;
  EXPECT_TRUE(downloads.controller->downloadDestinationsForTesting().empty());
  EXPECT_TRUE(downloads.fake.workspace.revealedFiles.empty());
  EXPECT_TRUE(waitUntil([&] { return downloads.downloadedNames().empty(); }, 5s))
      << "left behind: " << ::testing::PrintToString(downloads.downloadedNames());
  ASSERT_FALSE(downloads.fake.dockTile.progressHistory.empty());
  EXPECT_EQ(downloads.fake.dockTile.progressHistory.back(), std::nullopt);
}

TEST_F(DownloadsEngineTest, AnEngineFailureIsReportedOnceAndNeverRevealed) {
  EngineDownloads downloads;
  // The engine cannot open a file in a folder that does not exist; it
  // reports the failure, and then "finished" as well.
  downloads.files.folder = downloads.home.root() / "missing" / "Downloads";
  downloads.files.claimFolder = true;
  downloads.open("/files/invoice.pdf");
  ASSERT_TRUE(waitUntil([&] { return downloads.fake.alerts.current() != nullptr; }));

  // A second download that finishes shows the first one has ended for good.
  downloads.files.folder = downloads.home.downloads();
  downloads.files.claimFolder = false;
  downloads.open("/files/dispatch-log.hvx");
  ASSERT_TRUE(waitUntil([&] { return !downloads.fake.workspace.revealedFiles.empty(); }));

  ASSERT_EQ(downloads.fake.alerts.history.size(), 1U);
  EXPECT_EQ(downloads.fake.alerts.history[0].messageText, "Download failed");
  EXPECT_NE(downloads.fake.alerts.history[0].informativeText.find("No such file"),
            std::string::npos)
      << downloads.fake.alerts.history[0].informativeText;
  EXPECT_EQ(downloads.fake.workspace.revealedFiles,
            std::vector<std::vector<fs::path>>{{downloads.home.downloads() / "dispatch-log.hvx"}});
  EXPECT_TRUE(downloads.controller->downloadDestinationsForTesting().empty());
}

TEST(LocalFilesTest, CreatesANewFileOnlyWhereNothingIsYet) {
  TempHome home;
  const fs::path dir = home.root();
  std::ofstream(dir / "kept.txt") << "mine";
  fs::create_directory(dir / "folder");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  gtk::LocalFiles files;

  struct Row {
    const char* name;
    fs::path path;
    FileCreation::Outcome expected;
  };
  const Row rows[] = {
      {"fresh name", dir / "new.txt", FileCreation::Outcome::created},
      {"existing file", dir / "kept.txt", FileCreation::Outcome::exists},
      {"folder", dir / "folder", FileCreation::Outcome::exists},
      {"dangling link", dir / "dangling", FileCreation::Outcome::exists},
      {"missing folder", dir / "absent" / "new.txt", FileCreation::Outcome::failed},
  };
  for (const Row& row : rows) {
    const FileCreation result = files.createNewFile(row.path);
    EXPECT_EQ(result.outcome, row.expected) << row.name;
    EXPECT_EQ(result.errorDescription.empty(), row.expected != FileCreation::Outcome::failed)
        << row.name << ": " << result.errorDescription;
    EXPECT_TRUE(files.fileExistsAtPath(row.path) || row.expected == FileCreation::Outcome::failed)
        << row.name;
  }
  EXPECT_EQ(fs::file_size(dir / "new.txt"), 0U);
  std::ifstream kept(dir / "kept.txt");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "mine") << "an existing file is left as it was";
  EXPECT_FALSE(fs::exists(dir / "nowhere")) << "a link is never followed";
}

} // namespace
} // namespace velmora::testing
