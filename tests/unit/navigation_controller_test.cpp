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

// The root page is cancelled first, whether the engine asks about the
// navigation or about its response, and the sign-in page loads after: a
// load started before the answer would be superseded by the one it replaces.
TEST(NavigationDelegateTest, ReplacesTheRootPageWithTheSignInPageOnceItIsCancelled) {
  Controller c;
  std::vector<NavigationActionPolicy> answers;
  c.navigation().decidePolicyForNavigationAction(
      {url("https://dispatch.example.test/?x=1"), FrameTarget::mainFrame},
      [&](NavigationActionPolicy policy) {
        answers.push_back(policy);
        EXPECT_EQ(c.loaded(), Strings{signIn}) << "nothing loaded yet";
      });
  EXPECT_EQ(answers, std::vector{NavigationActionPolicy::cancel});
  std::vector<NavigationResponsePolicy> responses;
  c.navigation().decidePolicyForNavigationResponse(
      {url("https://dispatch.example.test/"), true, true},
      [&](NavigationResponsePolicy policy) { responses.push_back(policy); });
  EXPECT_EQ(responses, std::vector{NavigationResponsePolicy::cancel});
  EXPECT_EQ(c.loaded(), (Strings{signIn, signIn, signIn}));
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
  EXPECT_EQ(c.loaded(), (Strings{signIn, "https://dispatch.example.test:443/drivers?x=1#open"}));
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
      {"longer last segment", "https://dispatch.example.test/relogin"},
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

// Notifications follow location's rule: the platform's pages only.
TEST(PermissionTest, GrantsNotificationsToThePlatformsPagesOnly) {
  Controller c;
  std::vector<PermissionDecision> answers;
  for (const char* page : {"https://www.dispatch.example.test/jobs", "https://example.org/"}) {
    c.ui().requestNotificationPermissionForOrigin(
        Url::parse(page), [&](PermissionDecision decision) { answers.push_back(decision); });
  }
  EXPECT_EQ(answers, (std::vector{PermissionDecision::grant, PermissionDecision::deny}));
}

} // namespace
} // namespace velmora
