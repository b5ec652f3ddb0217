// A window left alone all day: when it reloads a dead page and when it gives
// up, when a hung page is ended, when a silent load becomes the error screen,
// and how the error screen checks the server by itself, on the double's
// clock.
#include "browser_fixture.hpp"
#include "navigation/page_recovery.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Strings;

constexpr const char* signIn = "https://acme.example.test/login";
constexpr const char* jobs = "https://acme.example.test/jobs";

TEST(PageRecoveryTest, DecidesReloadsRetriesAndAnswersPurely) {
  const TimePoint now = TimePoint{} + 1h;
  struct CrashRow {
    const char* name;
    std::vector<TimePoint> earlier;
    CrashResponse expected;
  } crashes[] = {
      {"first end", {}, CrashResponse::reload},
      {"second within a minute", {now - 30s}, CrashResponse::reload},
      {"third within a minute", {now - 50s, now - 5s}, CrashResponse::giveUp},
      {"third, but the first a minute ago", {now - 60s, now - 5s}, CrashResponse::reload},
      {"many long ago", {now - 5min, now - 4min, now - 3min}, CrashResponse::reload},
  };
  for (const CrashRow& row : crashes)
    EXPECT_EQ(respondToCrash(row.earlier, now), row.expected) << row.name;

  const std::vector<int> delays{2, 3, 5, 8, 12, 20, 30, 45, 60, 60};
  for (int attempt = 1; attempt <= static_cast<int>(delays.size()); ++attempt)
    EXPECT_EQ(retryDelay(attempt).count(), delays[attempt - 1]) << attempt;
  EXPECT_EQ(retryDelay(1000).count(), 60);
  EXPECT_EQ(retryDelay(0).count(), 2);

  for (auto [status, answers] :
       {std::pair{200, true}, {302, true}, {404, true}, {499, true}, {500, false}, {503, false}})
    EXPECT_EQ(serverAnswers(HttpResponse{status, std::nullopt, std::nullopt}), answers) << status;
  EXPECT_FALSE(serverAnswers(HttpResponse{std::nullopt, std::nullopt, "Connection refused"}));
}

struct Desk : testing::Browser {
  Desk() { showing(jobs); }
  void showing(const char* address) {
    fake.webView().currentURL = Url::parse(address);
    controller->didStartProvisionalNavigation();
    controller->didCommitNavigation();
    controller->didFinishNavigation();
  }
  void crashAfter(std::chrono::milliseconds wait) {
    fake.mainQueue.advance(wait);
    controller->webProcessDidTerminate(WebProcessTermination::crashed);
  }
  [[nodiscard]] const OverlayDescription* screen() const { return fake.window().shownOverlay(); }
};

TEST(PageRecoveryTest, ADeadPageIsReloadedUntilItDiesThreeTimesInAMinute) {
  Desk desk;
  desk.crashAfter(0s);
  desk.crashAfter(20s);
  EXPECT_EQ(desk.loaded(), (Strings{signIn, jobs, jobs})) << "the page on show, reloaded";
  EXPECT_EQ(desk.screen(), nullptr);

  desk.crashAfter(20s);
  ASSERT_NE(desk.screen(), nullptr);
  EXPECT_EQ(desk.screen()->title.text, "This page stopped working");
  EXPECT_FALSE(desk.screen()->footnote) << "a page that keeps dying is not retried alone";
  EXPECT_EQ(desk.loaded().size(), 3u);
  EXPECT_TRUE(desk.fake.http.requests.empty());
  EXPECT_EQ(desk.fake.settings.values.at("serverURL"), "https://acme.example.test");

  // Try Again gives the page fresh chances; with nothing on show, home.
  desk.screen()->buttons.at(0).action();
  desk.fake.webView().currentURL.reset();
  desk.crashAfter(1s);
  EXPECT_EQ(desk.loaded(), (Strings{signIn, jobs, jobs, signIn, signIn}));
  EXPECT_EQ(desk.screen(), nullptr);
}

TEST(PageRecoveryTest, AHungPageIsEndedOnlyWhenItStaysHungPastTheLimit) {
  Desk desk;
  desk.controller->webProcessResponsivenessDidChange(false);
  desk.fake.mainQueue.advance(unresponsiveLimit - 1s);
  desk.controller->webProcessResponsivenessDidChange(true);
  desk.fake.mainQueue.advance(1min);
  EXPECT_EQ(desk.fake.webView().terminations, 0);

  desk.controller->webProcessResponsivenessDidChange(false);
  desk.fake.mainQueue.advance(unresponsiveLimit);
  EXPECT_EQ(desk.fake.webView().terminations, 1);
  desk.controller->webProcessDidTerminate(WebProcessTermination::terminatedByApplication);
  EXPECT_EQ(desk.loaded().back(), jobs);
}

TEST(PageRecoveryTest, ALoadThatGetsNoAnswerForAMinuteBecomesTheErrorScreen) {
  Desk desk;
  desk.controller->didStartProvisionalNavigation();
  desk.fake.mainQueue.advance(loadResponseTimeout - 1s);
  desk.controller->didCommitNavigation();
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.screen(), nullptr) << "an answer in time stops the clock";

  desk.controller->didStartProvisionalNavigation();
  desk.fake.mainQueue.advance(loadResponseTimeout);
  EXPECT_EQ(desk.fake.webView().stops, 1);
  ASSERT_NE(desk.screen(), nullptr);
  EXPECT_EQ(desk.screen()->title.text, "Can\u2019t reach the dispatch server");
  EXPECT_TRUE(desk.screen()->message.text.starts_with(
      "The server took the request but sent no answer within 60 seconds.\n\n"))
      << desk.screen()->message.text;
  ASSERT_TRUE(desk.screen()->footnote);
  // The engine then reports the stop as a cancellation, which changes nothing.
  desk.controller->didFailProvisionalNavigation({WebError::cancelled, "cancelled"});
  EXPECT_NE(desk.screen(), nullptr);
}

TEST(PageRecoveryTest, TheErrorScreenChecksTheServerBackingOffAndTriesAgainOnceItAnswers) {
  Desk desk;
  desk.controller->didFailProvisionalNavigation({-1004, "Could not connect to the server."});
  const auto checks = [&] { return desk.fake.http.requests.size(); };
  desk.fake.mainQueue.advance(1999ms);
  EXPECT_EQ(checks(), 0u);
  desk.fake.mainQueue.advance(1ms);
  ASSERT_EQ(checks(), 1u);
  EXPECT_EQ(desk.fake.http.requests[0].url.absoluteString(), signIn);
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(checks(), 1u) << "one check at a time";
  desk.fake.http.complete(HttpResponse{std::nullopt, std::nullopt, "Connection refused"});
  desk.fake.mainQueue.advance(3s);
  ASSERT_EQ(checks(), 2u);
  desk.fake.http.complete(HttpResponse{503, std::nullopt, std::nullopt});

  // The network coming back, or a wake from sleep, checks at once.
  desk.fake.connectivity.observer->networkDidBecomeAvailable();
  ASSERT_EQ(checks(), 3u);
  desk.fake.http.complete(HttpResponse{std::nullopt, std::nullopt, "Connection refused"});
  desk.fake.connectivity.observer->systemDidWake();
  ASSERT_EQ(checks(), 4u);
  EXPECT_NE(desk.screen(), nullptr) << "the screen stays while the server is down";

  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_EQ(desk.screen(), nullptr);
  EXPECT_EQ(desk.loaded().back(), signIn) << "what Try Again does";

  // Taken away by the user, the screen checks nothing more.
  desk.controller->didFailProvisionalNavigation({-1004, "down"});
  desk.screen()->buttons.at(1).action(); // Change Server
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(checks(), 4u);
}

} // namespace
} // namespace velmora
