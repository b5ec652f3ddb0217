// The navigation policy as the real engine carries it out: what stays in the
// window, what reaches the desktop, what the servers are asked for.
#include "engine_window.hpp"

namespace velmora::testing {
namespace {

class NavigationEngineTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(window.waitForPage(sites.platform.url() + "/login")); }
  // Shows a test page of the platform and waits until it has loaded.
  void show(const std::string& path, const std::string& extra = "") {
    const std::string address = sites.page(path, extra);
    window.load(address);
    ASSERT_TRUE(window.waitForPage(address)) << "stuck at " << window.uri();
  }

  TwoSites sites;
  EngineWindow window{sites.platform.url()};
};

TEST_F(NavigationEngineTest, TheRootPageIsReplacedBySignInWithoutEverBeingServed) {
  show("/away");
  const size_t before = sites.platform.requests().size();
  window.click("root");
  ASSERT_TRUE(
      sites.platform.waitForRequest([](auto& r) { return r.path == "/login"; }, 20s, before));
  EXPECT_TRUE(window.waitForPage(sites.platform.url() + "/login"));

  // Straight loads of the root page, with and without a query, the same.
  window.load(sites.platform.url() + "/?from=typed");
  window.load(sites.platform.url());
  EXPECT_TRUE(window.waitForPage(sites.platform.url() + "/login"));
  EXPECT_FALSE(TwoSites::everRequested(sites.platform, "/"));
  EXPECT_TRUE(window.opened().empty());
}

// Whatever a click leaves the platform for goes to the desktop whole, and
// the page stays. The platform is one origin: its host on another port is
// another site.
TEST_F(NavigationEngineTest, LinksLeavingThePlatformGoToTheDesktopAndThePageStays) {
  SamplePlatform otherPort;
  struct Row {
    const char* link;
    const SamplePlatform* site; // where the page's links to another site point
    std::string opened;
    bool whole = true; // else only the start is known: escaping is the engine's
  };
  const Row rows[] = {
      {"elsewhere-odd", &sites.elsewhere, sites.elsewhere.url() + "/opened?q=tow", false},
      {"elsewhere", &otherPort, otherPort.url() + "/opened"},
      {"phone", &sites.elsewhere, "tel:+15550100"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.opened);
    const std::string page = sites.platform.url() + "/away?elsewhere=" + row.site->url();
    window.load(page);
    ASSERT_TRUE(window.waitForPage(page));
    const size_t before = window.opened().size();
    window.click(row.link);
    ASSERT_TRUE(waitUntil([&] { return window.opened().size() > before; }));
    const std::string opened = window.opened().back();
    EXPECT_TRUE(row.whole ? opened == row.opened : opened.starts_with(row.opened)) << opened;
    EXPECT_EQ(window.opened().size(), before + 1);
    EXPECT_EQ(window.uri(), page);
    EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());
    EXPECT_FALSE(TwoSites::everRequested(*row.site, "/opened"));
  }
}

TEST_F(NavigationEngineTest, AScriptMovesAForeignFrameOnButNeverThePageToAnotherSite) {
  show("/embed");
  EXPECT_TRUE(sites.elsewhere.waitForPath("/embedded"));
  // The framed page goes on to its next step by a script of its own.
  ASSERT_TRUE(sites.elsewhere.waitForRequest(
      [](const LoggedRequest& r) { return r.path == "/embedded" && r.query == "step=2"; }));
  EXPECT_TRUE(window.opened().empty());
  EXPECT_EQ(window.uri(), sites.page("/embed"));

  show("/away");
  // Without a user gesture the engine gives no hint that this is the main
  // frame; the page must still never leave the window.
  window.load("about:blank"); // refused: a blank page is no platform page
  ASSERT_TRUE(waitUntil([&] { return window.opened().size() == 1; }));
  webkit_web_view_evaluate_javascript(window.webView(),
                                      ("setTimeout(function () { location.href = '" +
                                       sites.elsewhere.url() + "/opened?from=timer'; }, 0)")
                                          .c_str(),
                                      -1, nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(waitUntil([&] { return window.opened().size() == 2; }));
  EXPECT_EQ(window.opened()[1], sites.elsewhere.url() + "/opened?from=timer");
  EXPECT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
  EXPECT_EQ(window.uri(), sites.page("/away"));
  EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());
}

// Links with target=_blank are the end-to-end navigation test's; these are
// the windows a script opens, in answer to a click or on its own after a
// fetch, as pages do (the engine's own block on such windows would stop
// both), and a form posted into a new window. The platform's load here; a
// foreign one only on the user's click.
TEST_F(NavigationEngineTest, PlatformPopUpsLoadInTheWindowAndForeignOnesInTheBrowserOnAClick) {
  window.load(sites.page("/away", "&later=open-elsewhere,open-platform"));
  EXPECT_TRUE(window.waitForPage(sites.platform.url() + "/opened?from=script"));
  EXPECT_TRUE(window.opened().empty()) << "a foreign window no one clicked for is dropped";

  show("/away");
  window.click("open-empty"); // first, so that it would be there before the next
  window.click("open-elsewhere");
  ASSERT_TRUE(waitUntil([&] { return !window.opened().empty(); }));
  EXPECT_EQ(window.opened(),
            (std::vector<std::string>{sites.elsewhere.url() + "/opened?from=script"}));
  EXPECT_EQ(window.uri(), sites.page("/away"));

  window.click("open-platform");
  EXPECT_TRUE(window.waitForPage(sites.platform.url() + "/opened?from=script"));
  EXPECT_FALSE(TwoSites::everRequested(sites.elsewhere, "/opened"));

  // A form posted into a new window loads here, body and all: the sign-in
  // form's fields arrive only in the body, and without them the server
  // would show the sign-in page again instead of the dashboard.
  show("/away");
  (void)window.evaluate("document.getElementById('post-blank').requestSubmit(); true");
  const auto posted = sites.platform.waitForRequest(
      [](const LoggedRequest& r) { return r.method == "POST" && r.path == "/login"; });
  ASSERT_TRUE(posted);
  EXPECT_TRUE(window.waitForPage(sites.platform.url() + "/dashboard"));
}

// A response the engine cannot show, a script's mail address or its empty
// page: the page on show stays, and none of them is a server failure.
TEST_F(NavigationEngineTest, WhatTheWindowCannotShowLeavesThePageAndIsNoServerFailure) {
  show("/away");
  window.click("file");
  EXPECT_TRUE(sites.platform.waitForPath("/static/unshowable.bin"));
  EXPECT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
  EXPECT_EQ(window.uri(), sites.page("/away"));
  EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());

  for (const char* id : {"go-mail", "go-blank"}) {
    const size_t before = sites.platform.requests().size();
    window.load(sites.page("/away", std::string("&later=") + id));
    ASSERT_TRUE(sites.platform.waitForRequest(
        [](const LoggedRequest& r) { return r.query == "later=done"; }, 20s, before));
    EXPECT_FALSE(waitUntil([&] { return window.controller->pageLoads().hasErrorOverlay(); }, 2s))
        << id;
    EXPECT_TRUE(window.opened().empty()) << id;
  }
}

// The e-mail a connect link brought, in the sign-in page's field once the
// page has loaded: used once, and never over what the user typed.
TEST(EmailPrefillEngineTest, FillsOnlyAnEmptyFieldAsWrittenWhereThePageSeesTheInput) {
  SamplePlatform platform;
  EngineWindow window{platform.url()};
  ASSERT_TRUE(window.waitForPage(platform.url() + "/login"));
  const std::string field = "document.querySelector('input[name=\"email\"]').value";
  auto& connection = window.controller->connection();

  // The field already holds what the user typed when the load finishes.
  (void)window.evaluate(field + " = 'typed@x.test'; true");
  connection.setPendingEmail("linked@x.test");
  window.controller->pageLoads().didFinishNavigation();
  (void)window.evaluate("0"); // the prefill script has run once this answers
  EXPECT_EQ(window.evaluate(field), "\"typed@x.test\"");
  EXPECT_EQ(connection.pendingEmail(), std::nullopt) << "used all the same";

  connection.setPendingEmail("o'\"brien\\d\u00fcsseldorf@\u00e9xample.test");
  window.load(platform.url() + "/login?fill=1");
  ASSERT_TRUE(window.waitForPage(platform.url() + "/login?fill=1"));
  ASSERT_TRUE(waitUntil([&] { return window.evaluate(field) != "\"\""; }));
  EXPECT_EQ(window.evaluate(field),
            window.evaluate("'o\\'\"brien\\\\d\\u00fcsseldorf@\\u00e9xample.test'"));
  EXPECT_EQ(window.evaluate("document.activeElement.name"), "\"password\"");
  EXPECT_EQ(connection.pendingEmail(), std::nullopt);

  // The page listens where only a bubbling event arrives.
  (void)window.evaluate(field + " = ''; window.inputs = [];"
                                "document.addEventListener('input', function (e) {"
                                " window.inputs.push(e.target.name); }); true");
  connection.setPendingEmail("a@b.test");
  window.controller->pageLoads().didFinishNavigation();
  EXPECT_TRUE(waitUntil([&] { return window.evaluate("window.inputs") == "[\"email\"]"; }))
      << window.evaluate("window.inputs").value_or("?");
}

} // namespace
} // namespace velmora::testing
