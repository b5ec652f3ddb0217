// The real application meeting faults it cannot prevent: a server that is
// down when the application starts or goes down under a page, a page that
// dies or hangs, and a Downloads folder that fills up in the middle of a
// download or cannot be written at all. Each ends in a message the user can
// act on, or in the page back where it was; nothing half done is left
// behind, and the window carries on.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sstream>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// The load progress bar.
constexpr const char* progressColour = "53,132,228";
// The strip along the top of the page, under the header bar and the menu bar.
constexpr const char* topOfPage = "2000x120+0+0";

// The middle of the notice bar, from the window's top edge.
constexpr int noticeBarMiddle = 94;

bool noticeShows() {
  const std::string window = visibleWindow(mainWindowTitle);
  return !window.empty() && showsColour(window, noticeColour, topOfPage);
}

// Down when the application starts, and again as the desk opens another
// page: each time the window reconnects by itself once the server is back,
// the second time to that page, not to the dashboard.
TEST(FaultMatrixE2ETest, AServerDownShowsTheErrorScreenUntilItIsBackThenThePageThatFailed) {
  PlatformSession session;
  SamplePlatform& platform = session.platform;
  const auto backAfterOutage = [&](const std::string& page, const std::string& picture) {
    ASSERT_TRUE(waitUntil(showsErrorScreen, 30s))
        << "the window is not covered by the error screen";
    screenshot(picture + "-down");
    // The quiet checks come 2, 3, 5 and 8 s apart at first, so a server
    // back within the first ten seconds is found within eight more.
    ASSERT_EQ(platform.control("down=0"), 200);
    const auto back = platform.waitForRequest(
        [](const LoggedRequest& r) { return r.userAgent.find("Mozilla") == 0; }, 15s,
        session.logged());
    ASSERT_TRUE(back) << "nothing loaded once the server was back";
    EXPECT_EQ(back->path + "?" + back->query, page);
    EXPECT_TRUE(waitUntil([&] { return !showsErrorScreen(); }));
    screenshot(picture + "-back");
  };
  ASSERT_EQ(platform.control("down=1"), 200);
  session.launch(); // the dropped request for the sign-in page is logged all the same
  backAfterOutage("/login?", "server-at-start");
  EXPECT_NE(session.home.readSettings().find("serverURL=" + platform.url() + "\n"),
            std::string::npos)
      << "the stored address survives the outage";

  ASSERT_EQ(platform.control("down=1"), 200);
  session.open("/bridge/count?text=4");
  backAfterOutage("/bridge/count?text=4", "failed-page");
}

// The engine's web process under the application's own process.
std::optional<int> webProcessOf(int application) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string stat = readFile(entry.path() / "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos || stat.find("(WebKitWebProces") == std::string::npos)
      continue;
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    int parent = 0;
    rest >> state >> parent;
    if (parent == application)
      return std::stoi(entry.path().filename().string());
  }
  return std::nullopt;
}

// A page whose web process is killed is back within seconds, with a note
// that Dismiss closes. A slow page shows its progress along the top of the
// page while it loads. A page whose script never returns gets a bar that
// counts down to its restart; Restart Now ends it and shows it again at
// once, with the note.
TEST(FaultMatrixE2ETest, AKilledSlowOrHungPageComesBackWithANoteOrShowsItsProgress) {
  PlatformSession session;
  session.launch();
  const std::string window = waitForWindow();
  const auto size = windowSize(window);
  ASSERT_TRUE(size);
  // The bar's buttons sit at its right end, level with its text.
  const auto clickTheBar = [&](int fromTheRight) {
    clickAt(window, size->width - fromTheRight, noticeBarMiddle);
  };
  std::optional<int> web;
  ASSERT_TRUE(
      waitUntil([&] { return (web = webProcessOf(session.app->process().pid())).has_value(); }));
  size_t before = session.logged();
  ::kill(*web, SIGKILL);
  EXPECT_TRUE(session.platform.waitForPath("/login", before))
      << "the page did not come back after its web process was killed";
  EXPECT_TRUE(waitUntil([&] { return webProcessOf(session.app->process().pid()) != web; }));
  EXPECT_TRUE(waitUntil(noticeShows)) << "no note that the page was reloaded";
  screenshot("page-reloaded-note");
  clickTheBar(55);
  ASSERT_TRUE(waitUntil([] { return !noticeShows(); })) << "Dismiss left the note";

  session.open("/slow?ms=20000");
  ASSERT_TRUE(waitUntil([&] { return showsColour(window, progressColour, topOfPage); }))
      << "no progress bar while the page loads";
  screenshot("load-progress");
  EXPECT_TRUE(waitUntil([&] { return !showsColour(window, progressColour, topOfPage); }, 30s))
      << "the progress bar stays after the load";

  before = session.logged();
  session.open("/probe/hang");
  // The engine notices a hang only when asked; the window asks every 10 s.
  ASSERT_TRUE(waitUntil(noticeShows, 40s)) << "no bar while the page does not respond";
  screenshot("page-not-responding");
  clickTheBar(70);
  // Left alone, the page would be ended only when the 15 s are over.
  EXPECT_TRUE(session.platform.waitForRequest(
      [](const LoggedRequest& r) { return r.query == "hang=recovered"; }, 10s, before))
      << "Restart Now did not bring the page back at once";
  EXPECT_TRUE(waitUntil(noticeShows)) << "no note that the page was reloaded";
  screenshot("page-recovered");
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
    const std::string dialog = waitForDialog("Download failed");
    ASSERT_FALSE(dialog.empty()) << "no message about the failed download";
    screenshot(std::string("download-") + row.name);
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
