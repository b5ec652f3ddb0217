// The real application meeting faults it cannot prevent: a server that is
// down when the application starts, and a disk that fills up in the middle
// of a download. Each ends in a message the user can act on, nothing half
// done is left behind, and the window carries on.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

std::string dialogWindow(const std::string& title) {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title});
  return ids.substr(0, ids.find('\n'));
}

std::string shotPath(const std::string& name) {
  return (fs::path(VELMORA_SOURCE_DIR) / "build" / "screenshots" / name).string();
}

std::uintmax_t largestFileIn(const fs::path& folder) {
  std::uintmax_t largest = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.is_regular_file())
      largest = std::max(largest, entry.file_size());
  return largest;
}

// The main window's content colour one pixel in from its lower right corner.
std::string cornerColour(const fs::path& shot) {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  if (ids.empty())
    return "";
  const std::string text =
      runCommand({"xdotool", "getwindowgeometry", "--shell", ids.substr(0, ids.find('\n'))});
  std::smatch x, y, w, h;
  if (!std::regex_search(text, x, std::regex("X=(\\d+)")) ||
      !std::regex_search(text, y, std::regex("Y=(\\d+)")) ||
      !std::regex_search(text, w, std::regex("WIDTH=(\\d+)")) ||
      !std::regex_search(text, h, std::regex("HEIGHT=(\\d+)")))
    return "";
  screenshot(shot);
  const int px = std::stoi(x[1]) + std::stoi(w[1]) - 12;
  const int py = std::stoi(y[1]) + std::stoi(h[1]) - 12;
  return runCommand({"convert", shot.string(), "-crop",
                     "1x1+" + std::to_string(px) + "+" + std::to_string(py), "-format",
                     "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]", "info:"});
}

constexpr const char* overlayColour = "12,14,18";

TEST(FaultMatrixE2ETest, AServerDownAtStartShowsTheOverlayAndReturnRecoversOnceItIsBack) {
  SamplePlatform platform;
  TempHome home;
  home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
  ASSERT_EQ(platform.control("down=1"), 200);
  App app(home);
  const fs::path shot = home.root() / "screen.png";
  ASSERT_TRUE(waitUntil([&] { return cornerColour(shot) == overlayColour; }, 30s))
      << "the window is not covered by the overlay";
  screenshot(shotPath("server-down-at-start.png"));

  ASSERT_EQ(platform.control("down=0"), 200);
  const size_t before = platform.requests().size();
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  runCommand({"xdotool", "windowfocus", "--sync", ids.substr(0, ids.find('\n'))});
  runCommand({"xdotool", "key", "--clearmodifiers", "Return"});
  EXPECT_TRUE(platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/login"; },
                                      20s, before))
      << "Try Again did not load the sign-in page";
  EXPECT_TRUE(waitUntil([&] { return cornerColour(shot) != overlayColour; }, 20s));
  EXPECT_NE(home.readSettings().find("serverURL=" + platform.url() + "\n"), std::string::npos)
      << "the stored address survives the outage";
  EXPECT_TRUE(app.quit());
}

// Runs the application in a mount namespace of its own in which the
// Downloads folder is a 1 MiB file system; the rest of the machine never
// sees that mount. Gives no launcher where mounting is not permitted.
std::optional<std::vector<std::string>> smallDownloadsLauncher(const fs::path& downloads) {
  const std::string mount = "mount -t tmpfs -o size=1m tmpfs '" + downloads.string() + "'";
  if (runCommand({"unshare", "-m", "sh", "-c", mount + " && echo mounted"}).find("mounted") ==
      std::string::npos)
    return std::nullopt;
  return std::vector<std::string>{"unshare", "-m", "sh", "-c", mount + " && exec \"$0\" \"$@\""};
}

TEST(FaultMatrixE2ETest, AFullDiskEndsTheDownloadWithAMessageAndTheWindowCarriesOn) {
  SamplePlatform platform;
  TempHome home;
  home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
  fs::create_directories(home.downloads());
  const auto launcher = smallDownloadsLauncher(home.downloads());
  if (!launcher)
    GTEST_SKIP() << "no permission to mount a small file system here";
  App app(home, {}, *launcher);
  ASSERT_TRUE(platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/login"; }));

  // 4 MiB into a 1 MiB Downloads folder.
  ASSERT_TRUE(waitUntil(
      [&] { return app.activate("win.goToPath", platform.url() + "/files/fleet-archive.zip"); }));
  ASSERT_TRUE(waitUntil([] { return !dialogWindow("Download failed").empty(); }, 60s))
      << "no message about the failed download";
  // Until a dialog has drawn itself the X server shows what lies beneath.
  const fs::path scratch = home.root() / "dialog.png";
  EXPECT_TRUE(waitUntil([&] {
    runCommand({"import", "-window", dialogWindow("Download failed"), scratch.string()});
    const std::string colours = runCommand({"convert", scratch.string(), "-format", "%k", "info:"});
    return !colours.empty() && std::stoi(colours) > 8;
  }));
  screenshot(shotPath("download-disk-full.png"));
  // The folder as the application sees it: no half file is left to take the
  // space, or to be mistaken for the whole one.
  const fs::path seen = fs::path("/proc") / std::to_string(app.process().pid()) / "root" /
                        home.downloads().relative_path();
  EXPECT_EQ(largestFileIn(seen), 0U);

  // The window still works: it opens the next page asked for.
  const size_t before = platform.requests().size();
  runCommand({"xdotool", "key", "--window", dialogWindow("Download failed"), "Return"});
  ASSERT_TRUE(waitUntil([&] { return app.activate("win.goToPath", platform.url() + "/jobs"); }));
  EXPECT_TRUE(platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/jobs"; }, 20s,
                                      before));
  EXPECT_TRUE(app.process().running());
  EXPECT_TRUE(app.quit());
}

} // namespace
} // namespace velmora::testing
