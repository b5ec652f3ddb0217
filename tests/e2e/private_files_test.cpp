// The real application's own files (the cookie jar that holds the sign-in,
// local storage, the cache and the settings) are for the user alone.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// Starts the application with the user's file mode mask set to 027, so
// that what it gives the user's own files shows apart from both 022 and 077.
const std::vector<std::string> withUserMask027{"sh", "-c", "umask 027 && exec \"$0\" \"$@\""};

std::vector<fs::path> velmoraFolders(const TempHome& home) {
  return {home.root() / ".config/velmora", home.root() / ".local/share/velmora",
          home.root() / ".cache/velmora"};
}

unsigned modeOf(const fs::path& path) {
  std::error_code error;
  return static_cast<unsigned>(fs::symlink_status(path, error).permissions() & fs::perms::mask);
}

// Every folder and file under the velmora folders that others may use, as
// "path 0755"; links are not followed.
std::vector<std::string> openToOthers(const TempHome& home) {
  std::vector<std::string> open;
  for (const fs::path& root : velmoraFolders(home)) {
    std::error_code error;
    if (!fs::exists(root, error))
      continue;
    std::vector<fs::path> paths{root};
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error))
      paths.push_back(it->path());
    for (const fs::path& path : paths) {
      const auto status = fs::symlink_status(path, error);
      const unsigned wanted = fs::is_directory(status)      ? 0700
                              : fs::is_regular_file(status) ? 0600
                                                            : modeOf(path);
      if (modeOf(path) != wanted) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", modeOf(path));
        open.push_back(fs::relative(path, home.root()).string() + " " + mode);
      }
    }
  }
  return open;
}

TEST(PrivateFilesE2ETest, AFreshHomeHoldsOnlyPrivateFilesAndDownloadsKeepTheUsersMask) {
  PlatformSession session(/*signedIn=*/true);
  const fs::path downloads = session.home.downloads();
  fs::remove_all(downloads);
  session.launch(withUserMask027);
  session.open("/downloads?start=invoice.pdf");
  const fs::path copy = session.home.root() / "served";
  runCommand({"curl", "-s", "-o", copy.string(), session.platform.url() + "/files/invoice.pdf"});
  const std::string served = readFile(copy);
  ASSERT_FALSE(served.empty());
  ASSERT_TRUE(waitUntil([&] { return readFile(downloads / "invoice.pdf") == served; }, 30s))
      << ::testing::PrintToString(namesIn(downloads));
  // A zoom command saves the zoom, rewriting the settings file.
  ASSERT_TRUE(session.app->activate("win.zoomIn"));
  ASSERT_TRUE(
      waitUntil([&] { return session.home.readSettings().find("pageZoom") != std::string::npos; }));
  ASSERT_TRUE(session.app->quit());
  session.app.reset();

  EXPECT_EQ(openToOthers(session.home), std::vector<std::string>{});
  EXPECT_TRUE(fs::exists(session.home.root() / ".local/share/velmora/cookies.sqlite"));
  EXPECT_EQ(modeOf(downloads), 0750u);
  EXPECT_EQ(modeOf(downloads / "invoice.pdf"), 0640u);
}

TEST(PrivateFilesE2ETest, AnInstallOpenToOthersIsMadePrivateOnStartWithoutFollowingLinks) {
  PlatformSession session(/*signedIn=*/true);
  const fs::path outside = session.home.root() / "Documents";
  std::ofstream(outside / "notes.txt") << "the user's own";
  for (const fs::path& root : velmoraFolders(session.home)) {
    fs::create_directories(root / "older/deeper");
    std::ofstream(root / "older/deeper/file") << "left by an older version";
    for (const fs::path& folder : {root, root / "older", root / "older/deeper"})
      fs::permissions(folder, static_cast<fs::perms>(0755));
    fs::permissions(root / "older/deeper/file", static_cast<fs::perms>(0644));
    fs::create_symlink(outside, root / "older/linked-folder");
    fs::create_symlink(outside / "notes.txt", root / "linked-file");
  }
  fs::permissions(session.home.settingsFile(), static_cast<fs::perms>(0644));
  fs::permissions(outside, static_cast<fs::perms>(0755));
  fs::permissions(outside / "notes.txt", static_cast<fs::perms>(0644));
  ASSERT_EQ(openToOthers(session.home).size(), 3u * 4 + 1);

  session.launch(withUserMask027);
  EXPECT_EQ(openToOthers(session.home), std::vector<std::string>{});
  EXPECT_EQ(modeOf(outside), 0755u) << "a link out of the folders is not followed";
  EXPECT_EQ(modeOf(outside / "notes.txt"), 0644u);
}

} // namespace
} // namespace velmora::testing
