// The real application handing addresses to the desktop: a user's click on
// a link to another site, a mail link or a pop-up reaches the default
// application for it, and the window stays on the platform. The desktop's
// default handler for web and mail addresses is, for these tests, a script
// that writes down what it was given.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <span>

namespace velmora::testing {
namespace {

// Registers a recording handler as the default application for web, mail
// and telephone addresses in the home's own XDG folders.
class RecordingDesktop {
public:
  explicit RecordingDesktop(const TempHome& home) : log_(home.root() / "opened.txt") {
    const auto script = home.root() / "record-open.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log_.string() << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const auto applications = home.root() / ".local/share/applications";
    std::filesystem::create_directories(applications);
    std::ofstream(applications / "velmora-test-opener.desktop")
        << "[Desktop Entry]\nType=Application\nName=Recording opener\nNoDisplay=true\n"
        << "Exec=" << script.string() << " %u\n"
        << "MimeType=x-scheme-handler/http;x-scheme-handler/https;x-scheme-handler/mailto;"
           "x-scheme-handler/tel;\n";
    std::ofstream mimeapps(home.root() / ".config/mimeapps.list");
    mimeapps << "[Default Applications]\n";
    for (const char* scheme : {"http", "https", "mailto", "tel"})
      mimeapps << "x-scheme-handler/" << scheme << "=velmora-test-opener.desktop\n";
  }
  [[nodiscard]] std::vector<std::string> opened() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

private:
  std::filesystem::path log_;
};

// The desktop's default applications get what a click leaves the platform
// for, and the window itself stays on its page and never loads the other
// site: links, mail links, pop-ups, the View menu's Open Page in Browser and
// the engine's context menu on another site's link. View > Copy Page
// Address puts the page on the clipboard, from where the page's own field
// pastes it.
TEST(NavigationE2ETest, WhatLeavesThePlatformReachesTheDesktopsDefaultApplications) {
  PlatformSession session;
  SamplePlatform elsewhere{{}, "127.0.0.2"};
  RecordingDesktop desktop{session.home};
  session.launch();
  const std::string window = waitForWindow();
  // Shows the links page with one link stretched over the whole window and
  // clicks the middle of the window, as a user would.
  const auto clickCovering = [&](const std::string& id, int button = 1) {
    const size_t before = session.logged();
    session.open("/away?elsewhere=" + elsewhere.url() + "&cover=" + id);
    ASSERT_TRUE(session.platform.waitForPath("/static/elsewhere.js", before));
    ASSERT_TRUE(clickTheMiddleOnceItIs(stretchedLinkColour, button))
        << "the link never covered the window";
  };
  // What the desktop was handed last, once it has been handed `count`.
  const auto openedOnceThereAre = [&](size_t count) {
    waitUntil([&] { return desktop.opened().size() >= count; });
    const auto opened = desktop.opened();
    return opened.size() == count ? opened.back() : std::string();
  };

  const std::pair<const char*, std::string> rows[] = {
      {"elsewhere", elsewhere.url() + "/opened"},
      {"mail", "mailto:dispatch@example.test?subject=Tow%20request"},
      {"blank-elsewhere", elsewhere.url() + "/opened?from=blank"}};
  for (const auto& [cover, expected] : rows) {
    const size_t before = desktop.opened().size();
    clickCovering(cover);
    const size_t after = session.logged();
    EXPECT_EQ(openedOnceThereAre(before + 1), expected) << cover;
    const auto logged = session.platform.requests();
    for (const auto& seen : std::span(logged).subspan(after))
      EXPECT_TRUE(seen.path != "/away" && seen.path != "/login")
          << cover << ": the window left its page for " << seen.path;
  }
  clickCovering("blank-platform");
  EXPECT_TRUE(session.platform.waitForRequest([](auto& r) {
    return r.path == "/opened" && r.query == "from=blank";
  })) << "the platform's page opens in the one window";
  EXPECT_EQ(desktop.opened().size(), 3u);

  // The engine's context menu on another site's link offers it to the
  // default browser, first in the menu, and opens no window of its own. The
  // menu is a surface of its own, which neither the window's pixels nor the
  // accessibility tree show: it is up once Velmora has one more window on
  // show.
  const auto surfaces = [] {
    return runCommand({"xdotool", "search", "--onlyvisible", "--class", "velmora"});
  };
  const auto shownBefore = std::ranges::count(surfaces(), '\n');
  clickCovering("elsewhere", /*button=*/3);
  ASSERT_TRUE(waitUntil([&] { return std::ranges::count(surfaces(), '\n') > shownBefore; }));
  const auto size = windowSize(window);
  ASSERT_TRUE(size);
  screenshot("context-menu-foreign-link");
  // "Open Link in Browser" is the first entry, just below the pointer;
  // "Open Link", "Open Link in New Window" and "Download Linked File" are
  // gone (see the screenshot).
  clickAt(window, size->width / 2 + 60, size->height / 2 + 20);
  EXPECT_EQ(openedOnceThereAre(4), elsewhere.url() + "/opened");
  EXPECT_TRUE(elsewhere.requests().empty()) << "the window loaded the other site";

  session.show("/probe/editing", "ready=1");
  ASSERT_TRUE(waitUntil([] {
    const auto action = describeAction("/com/haulvane/Velmora/window/1", "copyPageAddress");
    return action && action->enabled;
  }));
  ASSERT_TRUE(session.app->activate("win.openPageInBrowser"));
  EXPECT_EQ(openedOnceThereAre(5), session.platform.url() + "/probe/editing");
  ASSERT_TRUE(session.app->activate("win.copyPageAddress"));
  // A click can be lost right after other clicks on the same display;
  // clicking into the field again is harmless.
  bool focused = false;
  for (int attempt = 0; attempt < 3 && !focused; ++attempt)
    focused = session.reportAfter([&] { clickAt(window, 100, 120); }, "focused=1", 5s).has_value();
  ASSERT_TRUE(focused);
  EXPECT_TRUE(session.reportAfter([&] { pressKeys(window, "ctrl+v"); },
                                  "text=http%3A%2F%2F127\\.0\\.0\\.1%3A[0-9]+%2Fprobe%2Fediting&"));
}

} // namespace
} // namespace velmora::testing
