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

TEST_F(PageDialogsTest, AnAlertShowsThePagesTextAndAnswersOnceClosed) {
  EXPECT_EQ(ask("ask=alert", alertFirstButtonReturn), "dialog=alert&answer=undefined");
  EXPECT_EQ(shown.informativeText, "Truck 7 is due for its inspection.");
  EXPECT_TRUE(shown.buttons.empty());
}

TEST_F(PageDialogsTest, AConfirmAnswersTrueForOKAndFalseForCancel) {
  EXPECT_EQ(ask("ask=confirm", alertFirstButtonReturn), "dialog=confirm&answer=true");
  EXPECT_EQ(shown.informativeText, "Close job J-10482?");
  EXPECT_EQ(ask("ask=confirm", alertSecondButtonReturn), "dialog=confirm&answer=false");
}

TEST_F(PageDialogsTest, APromptTellsAnEmptyAnswerFromNone) {
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

bool isOutcome(const LoggedRequest& r) {
  return r.path == "/__report" && r.query.starts_with("location=");
}

TEST(LocationEngineTest, ThePlatformIsGrantedItsLocation) {
  SamplePlatform platform;
  EngineWindow window(platform.url());
  window.load(platform.url() + "/location?ask=1");
  const auto outcome = platform.waitForRequest(isOutcome, 30s);
  ASSERT_TRUE(outcome);
  // Without a location service on the test desktop, a granted request ends
  // without a position; only a refusal says "denied".
  EXPECT_NE(outcome->query, "location=denied");
  EXPECT_EQ(window.fake.location.authorizationRequests, 1);
}

TEST(LocationEngineTest, AnotherHostIsDenied) {
  SamplePlatform platform;
  SamplePlatform elsewhere({}, "127.0.0.2");
  EngineWindow window(platform.url());
  window.load(platform.url() + "/location");
  ASSERT_TRUE(window.waitForPage(platform.url() + "/location"));
  // The page on show now belongs to another host than the platform's.
  window.fake.settings.values["serverURL"] = elsewhere.url();
  window.click("ask");
  const auto outcome = platform.waitForRequest(isOutcome, 30s);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->query, "location=denied");
  EXPECT_EQ(window.fake.location.authorizationRequests, 0);
}

} // namespace
} // namespace velmora::testing
