// Downloads with the real engine and the real file system, the window
// controller in-process with scripted alerts.
#include "engine_window.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// Everything a download touches: the sample platform, a temporary home with
// the real file system, and the real engine in the application's window.
class DownloadsEngineTest : public ::testing::Test {
protected:
  void open(const std::string& path) {
    window.settle();
    window.controller->requests().openIfSameServer(*Url::parse(platform.url() + path));
  }

  SamplePlatform platform;
  TempHome home;
  FilesIn files{home.downloads()};
  EngineWindow window{platform.url(), &files};
};

TEST_F(DownloadsEngineTest, ExportsThePageBuildsAreSavedAndNeverHandedToTheDesktop) {
  open("/exports");
  ASSERT_TRUE(window.waitForPage(platform.url() + "/exports"));
  window.click("export-blob");
  ASSERT_TRUE(waitUntil([&] { return window.fake.workspace.revealedFiles.size() == 1; }));
  window.click("export-data");
  // The file manager opened for the first file moments ago, so this one is
  // shown only later: wait for the file itself.
  EXPECT_TRUE(waitUntil([&] {
    return readFile(home.downloads() / "drivers.csv") == "driver,truck\nDana Reyes,T-12\n";
  })) << readFile(home.downloads() / "drivers.csv");
  EXPECT_EQ(readFile(home.downloads() / "jobs.csv"), "job,status\n4471,open\n4472,towing\n");

  // The same data shown in place of the page is dropped: the page stays.
  for (const char* id : {"show-blob", "show-data"}) {
    window.click(id);
    EXPECT_FALSE(waitUntil(
        [&] { return window.uri() != platform.url() + "/exports" || !window.opened().empty(); },
        3s))
        << id << " left the page for " << window.uri();
  }
  EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());
  EXPECT_TRUE(window.fake.alerts.history.empty());
}

// Whether the body's length was declared or it came in chunks, a connection
// that closes before the end leaves no file and is never revealed.
TEST_F(DownloadsEngineTest, AConnectionLostHalfwayIsAFailureAndLeavesNoFile) {
  struct Row {
    const char* name;
    const char* path;
    const char* expectedInText;
  };
  const Row rows[] = {
      {"declared length", "/files/broken.bin", "65536 of 262144"},
      {"inside a chunk", "/files/broken-chunked.bin", "Connection terminated unexpectedly"},
  };
  for (const Row& row : rows) {
    open(row.path);

    ASSERT_TRUE(waitUntil([&] { return window.fake.alerts.current() != nullptr; }))
        << row.name
        << ": no alert; in Downloads: " << ::testing::PrintToString(namesIn(home.downloads()));
    const Alert& alert = *window.fake.alerts.current();
    EXPECT_EQ(alert.messageText, "Download failed") << row.name;
    EXPECT_NE(alert.informativeText.find(row.expectedInText), std::string::npos)
        << row.name << ": " << alert.informativeText;
    EXPECT_TRUE(window.controller->downloads().destinations().empty()) << row.name;
    EXPECT_TRUE(window.fake.workspace.revealedFiles.empty()) << row.name;
    EXPECT_TRUE(waitUntil([&] { return namesIn(home.downloads()).empty(); }, 5s))
        << row.name << ": left behind: " << ::testing::PrintToString(namesIn(home.downloads()));
    ASSERT_FALSE(window.fake.dockTile.progressHistory.empty()) << row.name;
    EXPECT_EQ(window.fake.dockTile.progressHistory.back(), std::nullopt) << row.name;
    window.fake.alerts.answer();
  }
}

TEST_F(DownloadsEngineTest, ADownloadsFolderThatCannotBeMadeEndsWithAMessageAndLosesNothing) {
  // A file of the user's holds the folder's name.
  files.folder = home.root() / "Occupied";
  std::ofstream(files.folder) << "mine";
  open("/files/invoice.pdf");
  ASSERT_TRUE(waitUntil([&] { return window.fake.alerts.current() != nullptr; }));
  EXPECT_EQ(window.fake.alerts.current()->messageText, "Download failed");
  EXPECT_NE(window.fake.alerts.current()->informativeText.find(files.folder.string()),
            std::string::npos)
      << window.fake.alerts.current()->informativeText;
  EXPECT_TRUE(window.fake.workspace.revealedFiles.empty());
  EXPECT_EQ(readFile(files.folder), "mine");
}

TEST(LocalFilesTest, CreatesANewFileOnlyWhereNothingIsYet) {
  TempHome home;
  const fs::path dir = home.root();
  std::ofstream(dir / "kept.txt") << "mine";
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
  EXPECT_EQ(readFile(dir / "kept.txt"), "mine") << "an existing file is left as it was";
  EXPECT_FALSE(fs::exists(dir / "nowhere")) << "a link is never followed";
}

} // namespace
} // namespace velmora::testing
