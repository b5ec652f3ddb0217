// The last copies through the window controller: a page is kept after its
// load, offered when the server is down, shown read only while the server
// is checked, and replaced by the live page once it answers; signing out and
// a new server address leave nothing behind.
#include "browser_fixture.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace std::chrono_literals;

constexpr const char* dashboard = "https://acme.example.test/dashboard";
constexpr const char* dashboardCopy = "velmora-copy://last-copy/dashboard";

const std::string archive = "From: <Saved by WebKit>\r\n"
                            "Content-Type: multipart/related;\r\n"
                            "\ttype=\"text/html\";\r\n"
                            "\tboundary=\"----=_NextPart_000_1\"\r\n"
                            "\r\n"
                            "------=_NextPart_000_1\r\n"
                            "Content-Type: text/html\r\n"
                            "Content-Location: https://acme.example.test/dashboard\r\n"
                            "\r\n"
                            "<table><tr><td>J-10482</td></tr></table>\r\n"
                            "------=_NextPart_000_1--\r\n";

struct Desk : testing::Browser {
  // Shows the dashboard and lets its copy be saved and written.
  void keepDashboard() {
    showing(dashboard);
    fake.mainQueue.advance(firstCopyDelay);
    ASSERT_EQ(fake.webView().archiveRequests.size(), 1u);
    std::exchange(fake.webView().archiveRequests, {}).front()(archive);
    fake.lastCopies.finishWrites();
  }
  void failLoad(const char* address) {
    fake.webView().currentURL = Url::parse(address);
    loads().didStartProvisionalNavigation();
    loads().didFailProvisionalNavigation(
        WebError{-1004, "Could not connect to the server.", Url::parse(address)});
  }
  [[nodiscard]] const Button* screenButton(const std::string& title) const {
    const OverlayDescription* screen = fake.window().shownOverlay();
    if (!screen)
      return nullptr;
    for (const Button& button : screen->buttons) {
      if (button.title == title)
        return &button;
    }
    return nullptr;
  }
  [[nodiscard]] bool kept() const { return !fake.lastCopies.files.empty(); }
};

TEST(LastCopiesTest, TheCopyShowsWhileTheServerIsDownAndTheLivePageReplacesIt) {
  Desk desk;
  desk.keepDashboard();
  ASSERT_TRUE(desk.kept());
  desk.failLoad("https://acme.example.test/reports");
  const Button* show = desk.screenButton("Show Last Copy");
  ASSERT_NE(show, nullptr) << "the dashboard's copy is offered for a page without one";
  show->action();
  EXPECT_EQ(desk.loaded().back(), dashboardCopy);

  desk.showing(dashboardCopy);
  EXPECT_TRUE(desk.fake.window().notice);
  EXPECT_TRUE(desk.fake.webView().archiveRequests.empty()) << "a copy is never saved again";

  // The copy's web process ends: the copy, not the sign-in page, comes back.
  desk.loads().webProcessDidTerminate(WebProcessTermination::crashed);
  EXPECT_EQ(desk.loaded().back(), dashboardCopy);
  desk.showing(dashboardCopy);

  // The server back, the live page of the copy loads by itself.
  desk.fake.mainQueue.advance(2s);
  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_EQ(desk.loaded().back(), dashboard);
}

TEST(LastCopiesTest, NothingIsKeptOfAPageThatForbidsItAndAllGoesAtSignOutOrANewServer) {
  {
    Desk desk;
    desk.fake.webView().responseHeaders["Cache-Control"] = "private, no-store";
    desk.showing(dashboard);
    desk.fake.mainQueue.advance(nextCopyInterval);
    EXPECT_TRUE(desk.fake.webView().archiveRequests.empty()) << "a no-store page was saved";
  }
  {
    Desk desk;
    desk.keepDashboard();
    desk.showing("https://acme.example.test/login");
    EXPECT_FALSE(desk.kept()) << "the copies outlive signing out";
  }
  {
    Desk desk;
    desk.keepDashboard();
    desk.fake.settings.values["serverURL"] = "https://other.example.test";
    desk.failLoad("https://other.example.test/dashboard");
    EXPECT_EQ(desk.screenButton("Show Last Copy"), nullptr) << "another server's copy is offered";
    EXPECT_FALSE(desk.kept());
  }
  {
    // A write still under way when the copies are forgotten is undone.
    Desk desk;
    desk.showing(dashboard);
    desk.fake.mainQueue.advance(firstCopyDelay);
    std::exchange(desk.fake.webView().archiveRequests, {}).front()(archive);
    desk.controller->pageLoads().forgetLastCopies();
    desk.fake.lastCopies.finishWrites();
    EXPECT_FALSE(desk.kept());
  }
}

} // namespace
} // namespace velmora
