// The real application meeting faults it cannot prevent: a server that is
// down when the application starts, and a Downloads folder that fills up
// in the middle of a download or cannot be written at all. Each ends in a message the user can act
// on, nothing half done is left behind, and the window carries on.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <optional>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// The main window's content colour a little in from its lower right corner.
std::string cornerColour() {
  const std::string window = visibleWindow("^Velmora$");
  const auto size = window.empty() ? std::nullopt : windowSize(window);
  return size ? pixelIn(window, size->width - 12, size->height - 12) : "";
}

constexpr const char* overlayColour = "12,14,18";

TEST(FaultMatrixE2ETest, AServerDownAtStartShowsTheOverlayAndReturnRecoversOnceItIsBack) {
  SamplePlatform platform;
  TempHome home;
  home.storeServer(platform.url());
  ASSERT_EQ(platform.control("down=1"), 200);
  App app(home);
  ASSERT_TRUE(waitUntil([&] { return cornerColour() == overlayColour; }, 30s))
      << "the window is not covered by the overlay";
  screenshot(screenshotFile("server-down-at-start"));

  ASSERT_EQ(platform.control("down=0"), 200);
  const size_t before = platform.requests().size();
  pressKeys(visibleWindow("^Velmora$"), "Return");
  EXPECT_TRUE(platform.waitForPath("/login", before)) << "Try Again did not load the sign-in page";
  EXPECT_TRUE(waitUntil([&] { return cornerColour() != overlayColour; }));
  EXPECT_NE(home.readSettings().find("serverURL=" + platform.url() + "\n"), std::string::npos)
      << "the stored address survives the outage";
  EXPECT_TRUE(app.quit());
}

// Runs the application in a mount namespace of its own in which the
// Downloads folder is a small file system mounted with `options`; the rest of
// the machine never sees that mount. Gives no launcher where mounting is not
// permitted.
std::optional<std::vector<std::string>> downloadsMountedLauncher(const fs::path& downloads,
                                                                 const std::string& options) {
  const std::string mount = "mount -t tmpfs -o " + options + " tmpfs '" + downloads.string() + "'";
  if (runCommand({"unshare", "-m", "sh", "-c", mount + " && echo mounted"}).find("mounted") ==
      std::string::npos)
    return std::nullopt;
  return std::vector<std::string>{"unshare", "-m", "sh", "-c", mount + " && exec \"$0\" \"$@\""};
}

// A Downloads folder that fills up halfway, or that cannot be written at all
// (for root too, since it is mounted read-only).
TEST(FaultMatrixE2ETest,
     ADownloadsFolderThatIsFullOrReadOnlyEndsWithAMessageAndTheWindowCarriesOn) {
  struct Row {
    const char* name;
    const char* options;
    const char* file;
  } rows[] = {
      {"disk-full", "size=1m", "/files/fleet-archive.zip"}, // 4 MiB into 1 MiB
      {"read-only", "ro,size=1m", "/files/invoice.pdf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PlatformSession session;
    const auto launcher = downloadsMountedLauncher(session.home.downloads(), row.options);
    if (!launcher)
      GTEST_SKIP() << "no permission to mount a small file system here";
    session.launch(*launcher);

    session.open(row.file);
    const std::string dialog = waitForWindow("^Download failed");
    ASSERT_FALSE(dialog.empty()) << "no message about the failed download";
    EXPECT_TRUE(waitUntil([&] { return painted(dialog, "100%x15%+0+0", "south"); }));
    screenshot(screenshotFile(std::string("download-") + row.name));
    // The folder as the application sees it: no half file is left to take
    // the space, or to be mistaken for the whole one.
    const fs::path seen = fs::path("/proc") / std::to_string(session.app->process().pid()) /
                          "root" / session.home.downloads().relative_path();
    EXPECT_TRUE(fs::is_directory(seen));
    EXPECT_TRUE(fs::is_empty(seen)) << "a part of the download was left behind";

    // The window still works: it opens the next page asked for.
    const size_t before = session.logged();
    pressKeys(dialog, "Return");
    session.open("/jobs");
    EXPECT_TRUE(session.platform.waitForPath("/jobs", before));
    EXPECT_TRUE(session.app->process().running());
  }
}

} // namespace
} // namespace velmora::testing
