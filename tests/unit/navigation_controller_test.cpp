// The window controller carrying out navigation decisions, page-load
// reactions, pop-ups, page dialogs and permissions, seen through the double.
#include "browser_fixture.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace velmora {
namespace {

using testing::Strings;

constexpr const char* serverAddress = "https://dispatch.example.test";
constexpr const char* signIn = "https://dispatch.example.test/login";

Url url(const char* text) {
  return *Url::parse(text);
}

struct Controller : testing::Browser {
  explicit Controller(std::optional<std::string> stored = serverAddress) : Browser(stored) {}
};

// A foreign address is with the desktop by the time the engine hears
// "cancel"; the root page is cancelled first, then the sign-in page loads.
TEST(NavigationDelegateTest, ActsOnEachAddressInTheRightOrderAroundTheAnswer) {
  struct Row {
    const char* name;
    const char* address;
    NavigationActionPolicy policy;
    Strings loadedAfter, opened;
  };
  const Row rows[] = {
      {"foreign page",
       "https://example.org/page",
       NavigationActionPolicy::cancel,
       {signIn},
       {"https://example.org/page"}},
      {"root page",
       "https://dispatch.example.test/?x=1",
       NavigationActionPolicy::cancel,
       {signIn, signIn},
       {}},
  };
  for (const Row& row : rows) {
    Controller c;
    std::vector<NavigationActionPolicy> answers;
    c.navigation().decidePolicyForNavigationAction(
        {url(row.address), FrameTarget::mainFrame}, [&](NavigationActionPolicy policy) {
          answers.push_back(policy);
          EXPECT_EQ(c.loaded(), Strings{signIn}) << row.name << ": nothing loaded yet";
          EXPECT_EQ(c.opened(), row.opened) << row.name << ": already opened";
        });
    EXPECT_EQ(answers, std::vector{row.policy}) << row.name;
    EXPECT_EQ(c.loaded(), row.loadedAfter) << row.name;
    EXPECT_EQ(c.opened(), row.opened) << row.name;
  }
}

TEST(NavigationDelegateTest, AnswersResponsesOnceAndReplacesTheRootPage) {
  Controller c;
  std::vector<NavigationResponsePolicy> answers;
  c.navigation().decidePolicyForNavigationResponse(
      {url("https://dispatch.example.test/"), true, true},
      [&](NavigationResponsePolicy policy) { answers.push_back(policy); });
  EXPECT_EQ(answers, std::vector{NavigationResponsePolicy::cancel});
  EXPECT_EQ(c.loaded(), (Strings{signIn, signIn}));
}

TEST(NavigationDelegateTest, JudgesEveryDecisionByTheServerStoredAtThatMoment) {
  Controller c;
  const NavigationAction action{url("https://acme.example.test/jobs"), FrameTarget::mainFrame};
  std::vector<NavigationActionPolicy> answers;
  auto record = [&](NavigationActionPolicy policy) { answers.push_back(policy); };
  c.navigation().decidePolicyForNavigationAction(action, record);
  c.fake.settings.values["serverURL"] = "https://acme.example.test";
  c.navigation().decidePolicyForNavigationAction(action, record);
  c.fake.settings.values.erase("serverURL");
  c.navigation().decidePolicyForNavigationAction(
      {url("https://www.app.haulvane.com/jobs"), FrameTarget::mainFrame}, record);
  EXPECT_EQ(answers, (std::vector{NavigationActionPolicy::cancel, NavigationActionPolicy::allow,
                                  NavigationActionPolicy::allow}))
      << "with nothing stored, the default address is the platform";
}

TEST(OpenIfSameServerTest, LoadsOnlyTheServersOwnSchemeHostAndPort) {
  Controller c;
  c.controller->pageLoads().showErrorScreen(ErrorScreen{ErrorScreen::Kind::unreachable, "offline"});
  c.controller->bridge().goToPath(std::nullopt);
  // Which addresses count as the same server is the policy table's.
  for (const char* ignored : {"https://www.dispatch.example.test/jobs", "/jobs"}) {
    c.controller->bridge().goToPath(url(ignored));
    EXPECT_TRUE(c.controller->pageLoads().hasErrorOverlay()) << ignored;
  }
  EXPECT_EQ(c.loaded(), Strings{signIn});

  c.controller->bridge().goToPath(url("https://dispatch.example.test:443/drivers?x=1#open"));
  EXPECT_FALSE(c.controller->pageLoads().hasErrorOverlay());
  EXPECT_EQ(c.fake.window().shownOverlay(), nullptr);
  EXPECT_EQ(c.loaded(), (Strings{signIn, "https://dispatch.example.test:443/drivers?x=1#open"}));
  EXPECT_TRUE(c.opened().empty());
}

TEST(ErrorOverlayTest, IgnoresCancellationsAndKeepsOneOverlayAtATime) {
  Controller c;
  c.loads().didFailProvisionalNavigation({WebError::cancelled, "cancelled"});
  c.loads().didFailProvisionalNavigation({WebError::frameLoadInterruptedByPolicyChange, "x"});
  EXPECT_FALSE(c.controller->pageLoads().hasErrorOverlay());

  c.loads().didFailProvisionalNavigation({-1004, "first"});
  c.loads().didFailProvisionalNavigation({-1001, "second"});
  ASSERT_EQ(c.fake.window().attachedOverlays.size(), 1u);
  EXPECT_TRUE(c.fake.window().shownOverlay()->message.starts_with("second\n\n"));
}

// Every command but Back and Forward (which leave it to the navigation they
// start) takes the overlay away, then loads home, reloads or opens a panel;
// without a stored server, home is the first-run panel instead of a load.
TEST(ErrorOverlayTest, EachWayOutRemovesTheOverlayThenDoesItsWork) {
  using Command = std::function<void(Controller&)>;
  const auto press = [](size_t button) {
    return [button](Controller& c) { c.fake.window().shownOverlay()->buttons.at(button).action(); };
  };
  const Command dashboard = [](Controller& c) { c.controller->goHome(); };
  struct Row {
    const char* name;
    bool stored;
    Command command;
    Strings loaded;
    std::string panel; // the second button of the panel then on show
    int reloads = 0;
  };
  const Row rows[] = {
      {"Try Again on a first run", false, press(0), {}, "Quit"},
      {"Change Server", true, press(1), {signIn}, "Cancel"},
      {"Go to Dashboard", true, dashboard, {signIn, signIn}, ""},
      {"Go to Dashboard on a first run", false, dashboard, {}, "Quit"},
      {"Reload Page", true, [](Controller& c) { c.controller->reloadPage(); }, {signIn}, "", 1},
      {"a new load starting",
       true,
       [](Controller& c) { c.loads().didStartProvisionalNavigation(); },
       {signIn},
       ""},
      {"Back and Forward",
       true,
       [](Controller& c) {
         c.fake.webView().backPossible = c.fake.webView().forwardPossible = true;
         c.controller->goBack();
         c.controller->goForward();
         c.controller->backForward(0);
       },
       {signIn},
       ""},
  };
  for (const Row& row : rows) {
    Controller c(row.stored ? std::optional<std::string>(serverAddress) : std::nullopt);
    c.fake.mainQueue.drain();
    c.fake.alerts.shown.clear(); // a first run's launch panel, set aside unanswered
    c.controller->pageLoads().showErrorScreen(
        ErrorScreen{ErrorScreen::Kind::unreachable, "offline"});
    row.command(c);
    const bool stays = std::string_view(row.name) == "Back and Forward";
    EXPECT_EQ(c.controller->pageLoads().hasErrorOverlay(), stays) << row.name;
    EXPECT_EQ(c.fake.window().attachedOverlays.size(), stays ? 1u : 0u) << row.name;
    EXPECT_EQ(c.loaded(), row.loaded) << row.name;
    EXPECT_EQ(c.fake.webView().reloads, row.reloads) << row.name;
    c.fake.mainQueue.drain();
    const Alert* panel = c.fake.alerts.current();
    EXPECT_EQ(panel ? panel->buttons.at(1) : "", row.panel) << row.name;
  }
}

// Only the platform's sign-in page gets the address, once, as a script
// string literal, bytes that are not text replaced by an empty address;
// that quotes and backslashes arrive unchanged is the engine test's. Until
// then the address waits.
TEST(EmailPrefillTest, FillsThePlatformsSignInPageOnceWithTheAddressEscaped) {
  struct Row {
    const char* name;
    std::optional<const char*> page;
    std::string email = "a@b.test";
    const char* literal = nullptr; // null: no script, the address kept
  };
  const char* branchSignIn = "https://www.dispatch.example.test/branch/login/?next=%2F";
  const Row rows[] = {
      {"plain, on a branch's sign-in page", branchSignIn, "a@b.test", R"(["a@b.test"][0])"},
      {"not text", signIn, "a\xff@b.test", R"([""][0])"},
      {"another site", "https://example.org/login"},
      {"other letter case", "https://dispatch.example.test/Login"},
      {"longer last segment", "https://dispatch.example.test/relogin"},
      {"nothing shown", std::nullopt},
      {"an empty address is left alone", signIn, ""},
  };
  for (const Row& row : rows) {
    Controller c;
    c.controller->connection().setPendingEmail(row.email);
    c.fake.webView().currentURL = row.page ? Url::parse(*row.page) : std::nullopt;
    c.loads().didFinishNavigation();
    const auto& scripts = c.fake.webView().scripts;
    if (!row.literal) {
      EXPECT_EQ(c.controller->connection().pendingEmail(), row.email) << row.name;
      EXPECT_TRUE(scripts.empty()) << row.name;
      continue;
    }
    EXPECT_EQ(c.controller->connection().pendingEmail(), std::nullopt) << row.name;
    ASSERT_EQ(scripts.size(), 1u) << row.name;
    EXPECT_NE(scripts[0].find(row.literal), std::string::npos) << row.name << ": " << scripts[0];
    EXPECT_EQ(scripts[0].find('\xff'), std::string::npos) << row.name;
    c.showing(signIn);
    EXPECT_EQ(scripts.size(), 1u) << row.name << ": used at most once";
  }
}

// Location and notifications follow the same rule; only location asks the
// desktop's location service, and before the page hears the answer.
TEST(PermissionTest, GrantsThePlatformAfterAskingTheDesktopForLocation) {
  Controller c;
  std::vector<std::pair<PermissionDecision, int>> answers;
  auto record = [&](PermissionDecision decision) {
    answers.emplace_back(decision, c.fake.location.authorizationRequests);
  };
  c.ui().requestNotificationPermissionForOrigin(Url::parse("https://dispatch.example.test/jobs"),
                                                record);
  c.ui().requestNotificationPermissionForOrigin(Url::parse("https://example.org/"), record);
  c.ui().requestGeolocationPermissionForOrigin(Url::parse("https://WWW.dispatch.example.test/"),
                                               record);
  c.ui().requestGeolocationPermissionForOrigin(Url::parse("https://maps.example.org/"), record);
  using enum PermissionDecision;
  EXPECT_EQ(answers, (std::vector<std::pair<PermissionDecision, int>>{
                         {grant, 0}, {deny, 0}, {grant, 1}, {deny, 1}}));
}

} // namespace
} // namespace velmora
