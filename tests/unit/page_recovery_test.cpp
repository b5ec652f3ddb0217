// A window left alone all day: when it reloads a dead page and when it lets
// it rest, when a hung page is ended and what the desk sees meanwhile, when
// a silent load becomes the error screen, how the error screen checks the
// server by itself and which page comes back, on the double's clock.
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
      {"third within a minute", {now - 50s, now - 5s}, CrashResponse::giveUp},
      {"third, but the first a minute ago", {now - 60s, now - 5s}, CrashResponse::reload},
  };
  for (const CrashRow& row : crashes)
    EXPECT_EQ(respondToCrash(row.earlier, now), row.expected) << row.name;

  const std::vector<int> delays{2, 3, 5, 8, 12, 20, 30, 45, 60, 60};
  for (int attempt = 1; attempt <= static_cast<int>(delays.size()); ++attempt)
    EXPECT_EQ(retryDelay(attempt).count(), delays[attempt - 1]) << attempt;
  EXPECT_EQ(retryDelay(1000).count(), 60);
  EXPECT_EQ(retryDelay(0).count(), 2);

  for (auto [status, answers] : {std::pair{499, true}, {500, false}})
    EXPECT_EQ(serverAnswers(HttpResponse{status, std::nullopt, std::nullopt}), answers) << status;
  EXPECT_FALSE(serverAnswers(HttpResponse{std::nullopt, std::nullopt, "Connection refused"}));

  struct CountdownRow {
    const char* name;
    std::chrono::milliseconds hungFor;
    int secondsLeft;
  } countdown[] = {
      {"the last moment", unresponsiveLimit - 1ms, 1},
      {"the limit", unresponsiveLimit, 0},
  };
  for (const CountdownRow& row : countdown)
    EXPECT_EQ(secondsUntilRestart(now - row.hungFor, now), row.secondsLeft) << row.name;

  const Url server = *Url::parse("https://acme.example.test");
  struct RestoreRow {
    const char* name;
    std::optional<const char*> page;
    std::optional<const char*> restored;
  } restores[] = {
      {"a platform page", jobs, jobs},
      {"the platform's public root", "https://acme.example.test/", std::nullopt},
      {"the host over plain http", "http://acme.example.test/jobs", std::nullopt},
      {"nothing", std::nullopt, std::nullopt},
  };
  for (const RestoreRow& row : restores) {
    const auto page = row.page ? Url::parse(*row.page) : std::nullopt;
    const auto restored = pageToRestore(page, server);
    EXPECT_EQ(restored ? std::optional(restored->absoluteString()) : std::nullopt,
              row.restored ? std::optional<std::string>(*row.restored) : std::nullopt)
        << row.name;
  }
}

struct Desk : testing::Browser {
  Desk() { showing(jobs); }
  void crashAfter(std::chrono::milliseconds wait) {
    fake.mainQueue.advance(wait);
    loads().webProcessDidTerminate(WebProcessTermination::crashed);
  }
  [[nodiscard]] const OverlayDescription* screen() const { return fake.window().shownOverlay(); }
  [[nodiscard]] const std::optional<NoticeDescription>& notice() const {
    return fake.window().notice;
  }
  [[nodiscard]] size_t checks() const { return fake.http.requests.size(); }
};

// The page that comes back after an end says so, once, until the user
// closes the note; the third end within a minute gives the page a rest.
TEST(PageRecoveryTest, ADeadPageIsReloadedUntilItDiesThreeTimesInAMinute) {
  Desk desk;
  desk.crashAfter(0s);
  EXPECT_FALSE(desk.notice()) << "no note before the page shows";
  desk.showing(jobs);
  ASSERT_TRUE(desk.notice());
  desk.showing(signIn);
  ASSERT_TRUE(desk.notice()) << "it stays until closed";
  desk.notice()->buttons.at(0).action(); // Dismiss
  EXPECT_FALSE(desk.notice());
  desk.showing(jobs);
  EXPECT_FALSE(desk.notice()) << "only once per end";

  desk.crashAfter(20s);
  EXPECT_EQ(desk.loaded(), (Strings{signIn, jobs, jobs})) << "the page on show, reloaded";
  EXPECT_EQ(desk.screen(), nullptr);
  desk.crashAfter(20s);
  ASSERT_NE(desk.screen(), nullptr);
  EXPECT_EQ(desk.screen()->title, "This page stopped working");
  EXPECT_EQ(desk.loaded().size(), 3u);

  // Try Again gives the page fresh chances; with nothing on show, home.
  desk.screen()->buttons.at(0).action();
  desk.fake.webView().currentURL.reset();
  desk.crashAfter(1s);
  EXPECT_EQ(desk.loaded(), (Strings{signIn, jobs, jobs, signIn, signIn}));
  EXPECT_EQ(desk.screen(), nullptr);
}

// The page that kept dying is never given up for good: the screen keeps
// checking, and once a minute has passed since the last end (and the
// server answers) the page comes back, saying it was reloaded.
TEST(PageRecoveryTest, AStoppedPageRestsAMinuteThenComesBackByItself) {
  Desk desk;
  desk.crashAfter(0s);
  desk.crashAfter(1s);
  desk.crashAfter(1s);
  ASSERT_NE(desk.screen(), nullptr);
  desk.fake.mainQueue.advance(2s);
  ASSERT_EQ(desk.checks(), 1u);
  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_NE(desk.screen(), nullptr) << "the server answers, but the minute is not over";
  // Checks at 2, 5, 10, 18, 30 and 50 s, then at the minute rather than at 80 s.
  size_t made = 1;
  for (auto wait : {3s, 5s, 8s, 12s, 20s}) {
    desk.fake.mainQueue.advance(wait);
    ASSERT_EQ(desk.checks(), ++made);
    desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  }
  EXPECT_NE(desk.screen(), nullptr);
  desk.fake.mainQueue.advance(9999ms);
  EXPECT_EQ(desk.checks(), 6u);
  desk.fake.mainQueue.advance(1ms);
  ASSERT_EQ(desk.checks(), 7u);
  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_EQ(desk.screen(), nullptr);
  EXPECT_EQ(desk.loaded().back(), jobs);
  desk.showing(jobs);
  EXPECT_TRUE(desk.notice());
}

// While the page does not respond, a bar counts down to its restart, and
// Restart Now ends it at once; left alone, it is ended at the limit.
TEST(PageRecoveryTest, AnUnresponsivePageCountsDownToItsRestart) {
  Desk desk;
  desk.loads().webProcessResponsivenessDidChange(false);
  ASSERT_TRUE(desk.notice());
  EXPECT_EQ(desk.notice()->text, "The page is not responding. Velmora will restart it in 15 s.");
  desk.fake.mainQueue.advance(999ms);
  EXPECT_EQ(desk.notice()->text, "The page is not responding. Velmora will restart it in 15 s.");
  desk.fake.mainQueue.advance(1ms);
  EXPECT_EQ(desk.notice()->text, "The page is not responding. Velmora will restart it in 14 s.");
  desk.fake.mainQueue.advance(13s);
  EXPECT_EQ(desk.notice()->text, "The page is not responding. Velmora will restart it in 1 s.");
  desk.loads().webProcessResponsivenessDidChange(true);
  EXPECT_FALSE(desk.notice()) << "the page answers again";
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.fake.webView().terminations, 0);

  desk.loads().webProcessResponsivenessDidChange(false);
  desk.fake.mainQueue.advance(5s);
  EXPECT_EQ(desk.notice()->text, "The page is not responding. Velmora will restart it in 10 s.");
  desk.notice()->buttons.at(0).action(); // Restart Now
  EXPECT_EQ(desk.fake.webView().terminations, 1);
  EXPECT_FALSE(desk.notice());
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.fake.webView().terminations, 1) << "no second end after Restart Now";

  desk.loads().webProcessResponsivenessDidChange(false);
  desk.fake.mainQueue.advance(unresponsiveLimit);
  EXPECT_EQ(desk.fake.webView().terminations, 2);
}

// A load's progress shows only once it has run 300 ms, and goes when it ends.
TEST(PageRecoveryTest, ASlowLoadShowsItsProgressUntilItEnds) {
  Desk desk;
  auto& window = desk.fake.window();
  window.loadProgressHistory.clear();
  // The engine gives its first estimate before it reports the start.
  desk.loads().estimatedProgressDidChange(0.1);
  desk.loads().didStartProvisionalNavigation();
  desk.fake.mainQueue.advance(299ms);
  EXPECT_TRUE(window.loadProgressHistory.empty()) << "a quick load shows no bar";
  desk.fake.mainQueue.advance(1ms);
  EXPECT_EQ(window.loadProgress, 0.1);
  desk.loads().estimatedProgressDidChange(0.6);
  EXPECT_EQ(window.loadProgress, 0.6);
  desk.loads().didCommitNavigation();
  desk.loads().didFinishNavigation();
  EXPECT_FALSE(window.loadProgress);

  struct Row {
    const char* name;
    std::function<void()> end;
  } ends[] = {
      {"failed",
       [&] {
         desk.loads().didFailProvisionalNavigation({-1004, "down"});
       }},
      {"stopped: the estimate reaches 1", [&] { desk.loads().estimatedProgressDidChange(1.0); }},
      {"web process ended",
       [&] { desk.loads().webProcessDidTerminate(WebProcessTermination::crashed); }},
  };
  for (const Row& row : ends) {
    desk.loads().didStartProvisionalNavigation();
    desk.fake.mainQueue.advance(1s);
    EXPECT_TRUE(window.loadProgress) << row.name;
    row.end();
    EXPECT_FALSE(window.loadProgress) << row.name;
  }
  window.loadProgressHistory.clear();
  desk.loads().didStartProvisionalNavigation();
  desk.loads().didFinishNavigation();
  desk.fake.mainQueue.advance(1s);
  EXPECT_TRUE(window.loadProgressHistory.empty()) << "a quick load shows no bar";
}

TEST(PageRecoveryTest, ALoadThatGetsNoAnswerForAMinuteBecomesTheErrorScreen) {
  Desk desk;
  desk.loads().didStartProvisionalNavigation();
  desk.fake.mainQueue.advance(loadResponseTimeout - 1s);
  desk.loads().didCommitNavigation();
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.screen(), nullptr) << "an answer in time stops the clock";

  desk.loads().didStartProvisionalNavigation();
  desk.fake.mainQueue.advance(loadResponseTimeout);
  EXPECT_EQ(desk.fake.webView().stops, 1);
  ASSERT_NE(desk.screen(), nullptr);
  EXPECT_TRUE(desk.screen()->message.starts_with(
      "The server took the request but sent no answer within 60 seconds.\n\n"))
      << desk.screen()->message;
  // The engine then reports the stop as a cancellation, which changes nothing.
  desk.loads().didFailProvisionalNavigation({WebError::cancelled, "cancelled"});
  EXPECT_NE(desk.screen(), nullptr);

  // The server back, the page that got no answer comes back.
  desk.fake.mainQueue.advance(2s);
  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_EQ(desk.loaded().back(), jobs);
}

// Once the server answers, the page that failed comes back if it was the
// platform's; another site's page is never loaded in its place.
TEST(PageRecoveryTest, TheErrorScreenChecksTheServerBackingOffAndTriesAgainOnceItAnswers) {
  Desk desk;
  desk.loads().didFailProvisionalNavigation(
      WebError{-1004, "Could not connect to the server.", Url::parse("https://evil.test/jobs")});
  desk.fake.mainQueue.advance(1999ms);
  EXPECT_EQ(desk.checks(), 0u);
  desk.fake.mainQueue.advance(1ms);
  ASSERT_EQ(desk.checks(), 1u);
  EXPECT_EQ(desk.fake.http.requests[0].url.absoluteString(), signIn);
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.checks(), 1u) << "one check at a time";
  desk.fake.http.complete(HttpResponse{std::nullopt, std::nullopt, "Connection refused"});

  // The network coming back, or a wake from sleep, checks at once.
  desk.fake.connectivity.observer->networkDidBecomeAvailable();
  ASSERT_EQ(desk.checks(), 2u);
  desk.fake.http.complete(HttpResponse{503, std::nullopt, std::nullopt});
  desk.fake.connectivity.observer->systemDidWake();
  ASSERT_EQ(desk.checks(), 3u);
  EXPECT_NE(desk.screen(), nullptr) << "the screen stays while the server is down";

  desk.fake.http.complete(HttpResponse{200, "<html>", std::nullopt});
  EXPECT_EQ(desk.screen(), nullptr);
  EXPECT_EQ(desk.loaded(), (Strings{signIn, signIn}));

  // Taken away by the user, the screen checks nothing more.
  desk.loads().didFailProvisionalNavigation({-1004, "down"});
  desk.screen()->buttons.at(1).action(); // Change Server
  desk.fake.mainQueue.advance(1h);
  EXPECT_EQ(desk.checks(), 3u);
}

} // namespace
} // namespace velmora
