// What a page of another site, embedded in a platform page, can do to the
// window with the real engine: take the window, speak in the application's
// name, save files or raise the connect question. Each attack comes from a
// real second site on 127.0.0.2 (the sample platform's intruder page).
#include "engine_window.hpp"

namespace velmora::testing {
namespace {

class ForeignFrameEngineTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(window.waitForPage(sites.platform.url() + "/login")); }
  // Shows the platform page that embeds the intruder, armed with `attack`,
  // and waits until the intruder runs.
  void showIntruder(const std::string& attack) {
    page = sites.page("/framed-intruder", "&attack=" + attack);
    window.load(page);
    ASSERT_TRUE(window.waitForPage(page)) << "stuck at " << window.uri();
    ASSERT_TRUE(report(attack, "ready"));
  }
  // The user's click inside the intruder's frame: the engine carries the
  // gesture of the page's script into the message it posts.
  void clickInIntruder() {
    (void)window.evaluate(
        "document.getElementById('intruder').contentWindow.postMessage('go', '*'); true");
  }
  // The intruder's report of `step`, or of whatever came after it started.
  std::optional<std::string> report(const std::string& attack, const std::string& step = "") {
    const std::string ready = attack + "=ready";
    const auto request = sites.elsewhere.waitForRequest([&](const LoggedRequest& r) {
      return r.path == "/__report" && r.query.starts_with(attack + "=") &&
             (step.empty() ? r.query != ready : r.query == attack + "=" + step);
    });
    return request ? std::optional(request->query.substr(attack.size() + 1)) : std::nullopt;
  }

  TwoSites sites;
  TempHome home;
  FilesIn files{home.downloads()};
  EngineWindow window{sites.platform.url(), &files};
  std::string page;
};

// On the user's click, the frame sends the top window to its own site from
// a script, which is taken for the frame's own navigation, and 70 frames
// push that guess out of memory before the slow answer arrives; the answer
// must still never be shown.
TEST_F(ForeignFrameEngineTest, AFrameCannotPutItsSiteInTheWindowEvenByFloodingTheEngine) {
  showIntruder("takeover");
  ASSERT_TRUE(clickTheMiddleOnceItIs("243,224,224")) << "the intruder never covered the window";
  ASSERT_TRUE(sites.elsewhere.waitForPath("/slow"));
  // The slow answer comes 3 s after the request, and ends the window's load.
  ASSERT_TRUE(waitUntil([&] { return webkit_web_view_is_loading(window.webView()); }));
  ASSERT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
  EXPECT_EQ(window.uri(), page);
  EXPECT_EQ(window.evaluate("document.title"), "\"Partner widget\"");
  EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());
  size_t flood = 0;
  for (const auto& request : sites.elsewhere.requests())
    flood += request.path == "/embedded";
  EXPECT_GE(flood, 65u) << "the engine was not flooded: the test proves nothing";
}

TEST_F(ForeignFrameEngineTest, AFrameCannotRaiseDialogsInTheApplicationsName) {
  showIntruder("dialogs");
  EXPECT_EQ(report("dialogs"), "undefined,false,null,null")
      << "no answer means a dialog of the frame is waiting for the user";
  EXPECT_TRUE(window.fake.alerts.history.empty());
}

// No click: the 50 launcher files are refused; the platform's own invoice,
// asked for after them, is the only file in Downloads.
TEST_F(ForeignFrameEngineTest, AFrameCannotSaveFilesWithoutTheUsersClick) {
  showIntruder("downloads");
  ASSERT_TRUE(report("downloads"));
  ASSERT_TRUE(waitUntil([&] {
    size_t asked = 0;
    for (const auto& request : sites.elsewhere.requests())
      asked += request.path == "/files/launcher.desktop";
    return asked >= 25;
  })) << "the frames never asked for their files";
  window.click("invoice");
  ASSERT_TRUE(waitUntil([&] { return !window.fake.workspace.revealedFiles.empty(); }));
  EXPECT_EQ(namesIn(home.downloads()), std::vector<std::string>{"invoice.pdf"});
  EXPECT_TRUE(window.fake.alerts.history.empty());
}

TEST_F(ForeignFrameEngineTest, AFrameCannotRaiseTheConnectQuestion) {
  showIntruder("connect");
  clickInIntruder();
  ASSERT_TRUE(report("connect"));
  window.settle();
  EXPECT_TRUE(window.fake.alerts.history.empty());
  EXPECT_TRUE(window.opened().empty()) << window.opened()[0];
  EXPECT_EQ(window.uri(), page);
  EXPECT_EQ(window.controller->connection().pendingEmail(), std::nullopt);
}

} // namespace
} // namespace velmora::testing
