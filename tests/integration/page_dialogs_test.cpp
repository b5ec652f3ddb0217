// What a page gets back from its alert, confirm and prompt dialogs and from
// asking for the location, with the real engine carrying the answers.
#include "engine_window.hpp"

namespace velmora::testing {
namespace {

class PageDialogsTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(window.waitForPage(platform.url() + "/login")); }
  // Opens the dialogs page asking `query`, waits for the dialog, answers it
  // and gives the query of the page's report.
  std::string ask(const std::string& query, int button, const std::string& fieldText = {}) {
    const size_t before = platform.requests().size();
    window.load(platform.url() + "/dialogs?" + query);
    EXPECT_TRUE(waitUntil([&] { return window.fake.alerts.current() != nullptr; })) << query;
    if (!window.fake.alerts.current())
      return {};
    shown = *window.fake.alerts.current();
    window.fake.alerts.answer(button, fieldText);
    const auto report = platform.waitForRequest(
        [](const LoggedRequest& r) { return r.path == "/__report"; }, 20s, before);
    return report ? report->query : std::string("no report");
  }

  SamplePlatform platform;
  EngineWindow window{platform.url()};
  Alert shown;
};

// An alert answers once closed; a confirm is true for OK and false for
// Cancel; a prompt tells an empty answer from none.
TEST_F(PageDialogsTest, EachDialogShowsThePagesTextAndGivesThePageItsAnswer) {
  EXPECT_EQ(ask("ask=alert", alertFirstButtonReturn), "dialog=alert&answer=undefined");
  EXPECT_EQ(shown.informativeText, "Truck 7 is due for its inspection.");
  EXPECT_TRUE(shown.buttons.empty());

  EXPECT_EQ(ask("ask=confirm", alertFirstButtonReturn), "dialog=confirm&answer=true");
  EXPECT_EQ(shown.informativeText, "Close job J-10482?");
  EXPECT_EQ(ask("ask=confirm", alertSecondButtonReturn), "dialog=confirm&answer=false");

  EXPECT_EQ(ask("ask=prompt", alertFirstButtonReturn, ""), "dialog=prompt&answer=%22%22")
      << "OK on an empty field is the empty text";
  ASSERT_TRUE(shown.accessory);
  EXPECT_EQ(shown.accessory->stringValue, "");
  EXPECT_EQ(ask("ask=prompt", alertSecondButtonReturn, "typed"), "dialog=prompt&answer=null")
      << "Cancel is null, whatever the field holds";
  EXPECT_EQ(ask("ask=prompt&default=7ABC123", alertFirstButtonReturn, "8DEF 456"),
            "dialog=prompt&answer=%228DEF%20456%22");
  EXPECT_EQ(shown.accessory->stringValue, "7ABC123");
}

// The platform is granted its location; a page of another host is denied.
TEST(LocationEngineTest, OnlyThePlatformIsGrantedItsLocation) {
  SamplePlatform platform;
  SamplePlatform elsewhere({}, "127.0.0.2");
  EngineWindow window(platform.url());
  const auto outcome = [&](const std::function<void()>& ask) {
    const size_t before = platform.requests().size();
    ask();
    const auto report = platform.waitForRequest(
        [](const LoggedRequest& r) {
          return r.path == "/__report" && r.query.starts_with("location=");
        },
        30s, before);
    return report ? report->query : std::string("no report");
  };
  // Without a location service on the test desktop, a granted request ends
  // without a position; only a refusal says "denied".
  const std::string granted = outcome([&] { window.load(platform.url() + "/location?ask=1"); });
  EXPECT_TRUE(granted.starts_with("location=") && granted != "location=denied") << granted;
  EXPECT_EQ(window.fake.location.authorizationRequests, 1);

  window.load(platform.url() + "/location");
  ASSERT_TRUE(window.waitForPage(platform.url() + "/location"));
  // The page on show now belongs to another host than the platform's.
  window.fake.settings.values["serverURL"] = elsewhere.url();
  EXPECT_EQ(outcome([&] { window.click("ask"); }), "location=denied");
  EXPECT_EQ(window.fake.location.authorizationRequests, 1);
}

} // namespace
} // namespace velmora::testing
