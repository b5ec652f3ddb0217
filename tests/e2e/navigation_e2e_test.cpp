// The real application handing addresses to the desktop: a user's click on
// a link to another site, a mail link or a pop-up reaches the default
// application for it, and the window stays on the platform. The desktop's
// default handler for web and mail addresses is, for these tests, a script
// that writes down what it was given.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

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

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

std::optional<Geometry> windowGeometry() {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  if (ids.empty())
    return std::nullopt;
  const std::string text =
      runCommand({"xdotool", "getwindowgeometry", "--shell", ids.substr(0, ids.find('\n'))});
  Geometry g;
  std::smatch m;
  for (auto [key, field] :
       {std::pair{"X", &g.x}, {"Y", &g.y}, {"WIDTH", &g.width}, {"HEIGHT", &g.height}}) {
    if (!std::regex_search(text, m, std::regex(std::string(key) + "=(\\d+)")))
      return std::nullopt;
    *field = std::stoi(m[1]);
  }
  return g;
}

std::string centrePixel(const Geometry& g, const std::filesystem::path& shot) {
  return runCommand(
      {"convert", shot.string(), "-crop",
       "1x1+" + std::to_string(g.x + g.width / 2) + "+" + std::to_string(g.y + g.height / 2),
       "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]", "info:"});
}

class NavigationE2ETest : public ::testing::Test {
protected:
  void SetUp() override {
    home.writeSettings("[Settings]\nserverURL=" + platform.url() + "\n");
    app = std::make_unique<App>(home);
    ASSERT_TRUE(platform.waitForRequest([](auto& r) { return r.path == "/login"; }));
  }
  void TearDown() override { EXPECT_TRUE(app->quit()); }

  // Shows the links page with one link stretched over the whole window and
  // clicks the middle of the window, as a user would.
  void clickCovering(const std::string& id) {
    const size_t before = platform.requests().size();
    const std::string page = platform.url() + "/away?elsewhere=" + elsewhere.url() + "&cover=" + id;
    ASSERT_TRUE(waitUntil([&] { return app->activate("win.goToPath", page); }, 10s));
    ASSERT_TRUE(platform.waitForRequest([](auto& r) { return r.path == "/static/elsewhere.js"; },
                                        20s, before));
    std::optional<Geometry> g;
    const auto shot = home.root() / "page.png";
    ASSERT_TRUE(waitUntil([&] {
      g = windowGeometry();
      if (!g)
        return false;
      screenshot(shot);
      return centrePixel(*g, shot) == "255,251,232"; // the stretched link's colour
    })) << "the link never covered the window";
    (void)runCommand({"xdotool", "mousemove", std::to_string(g->x + g->width / 2),
                      std::to_string(g->y + g->height / 2), "click", "1"});
  }
  [[nodiscard]] bool pageLoadsSince(size_t before) const {
    const auto logged = platform.requests();
    for (size_t i = before; i < logged.size(); ++i)
      if (logged[i].path == "/away" || logged[i].path == "/opened" || logged[i].path == "/login")
        return true;
    return false;
  }

  SamplePlatform platform;
  SamplePlatform elsewhere{{}, "127.0.0.2"};
  TempHome home;
  RecordingDesktop desktop{home};
  std::unique_ptr<App> app;
};

TEST_F(NavigationE2ETest, AClickedLinkToAnotherSiteOpensInTheDefaultBrowser) {
  clickCovering("elsewhere");
  const size_t after = platform.requests().size();
  ASSERT_TRUE(waitUntil([&] { return !desktop.opened().empty(); }));
  EXPECT_EQ(desktop.opened(), std::vector<std::string>{elsewhere.url() + "/opened"});
  EXPECT_TRUE(elsewhere.requests().empty()) << "the window never loaded the other site";
  EXPECT_FALSE(pageLoadsSince(after)) << "the window stayed on its page";
}

TEST_F(NavigationE2ETest, AMailLinkGoesToTheDesktop) {
  clickCovering("mail");
  ASSERT_TRUE(waitUntil([&] { return !desktop.opened().empty(); }));
  EXPECT_EQ(desktop.opened(),
            std::vector<std::string>{"mailto:dispatch@example.test?subject=Tow%20request"});
}

TEST_F(NavigationE2ETest, NewWindowsStayHereForThePlatformAndGoToTheBrowserOtherwise) {
  clickCovering("blank-elsewhere");
  ASSERT_TRUE(waitUntil([&] { return !desktop.opened().empty(); }));
  EXPECT_EQ(desktop.opened(), std::vector<std::string>{elsewhere.url() + "/opened?from=blank"});

  clickCovering("blank-platform");
  EXPECT_TRUE(platform.waitForRequest([](auto& r) {
    return r.path == "/opened" && r.query == "from=blank";
  })) << "the platform's page opens in the one window";
  EXPECT_EQ(desktop.opened().size(), 1u);
  EXPECT_TRUE(elsewhere.requests().empty());
}

} // namespace
} // namespace velmora::testing
