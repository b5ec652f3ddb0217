// The window controller carrying out navigation decisions, page-load
// reactions, pop-ups, page dialogs and permissions, seen through the double.
#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;

constexpr const char* serverAddress = "https://dispatch.example.test";

Url url(const char* text) {
  return *Url::parse(text);
}

struct Controller {
  explicit Controller(std::optional<std::string> stored = serverAddress) {
    if (stored)
      fake.settings.values["serverURL"] = *stored;
    browser = std::make_unique<BrowserWindowController>(fake.desktop);
  }
  [[nodiscard]] std::vector<std::string> loaded() const {
    std::vector<std::string> result;
    for (const auto& request : fake.webView().loadedRequests)
      result.push_back(request.url.absoluteString());
    return result;
  }
  [[nodiscard]] std::vector<std::string> opened() const {
    std::vector<std::string> result;
    for (const auto& opened : fake.workspace.openedURLs)
      result.push_back(opened.absoluteString());
    return result;
  }
  void finishLoading(const char* address) {
    fake.webView().currentURL = Url::parse(address);
    browser->didFinishNavigation();
  }
  FakeDesktop fake;
  std::unique_ptr<BrowserWindowController> browser;
};

using Strings = std::vector<std::string>;

TEST(NavigationDelegateTest, OpensForeignAddressesInTheBrowserBeforeCancelling) {
  Controller c;
  std::vector<std::pair<NavigationActionPolicy, size_t>> answers;
  c.browser->decidePolicyForNavigationAction(
      {url("https://example.org/page"), FrameTarget::mainFrame},
      [&](NavigationActionPolicy policy) { answers.emplace_back(policy, c.opened().size()); });
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].first, NavigationActionPolicy::cancel);
  EXPECT_EQ(answers[0].second, 1u) << "the desktop had the address when the cancel came";
  EXPECT_EQ(c.opened(), Strings{"https://example.org/page"});
  EXPECT_EQ(c.loaded().size(), 1u) << "only the home load: the window stays put";
}

TEST(NavigationDelegateTest, CancelsTheRootPageBeforeLoadingTheSignInPage) {
  Controller c;
  std::vector<size_t> loadsWhenAnswered;
  c.browser->decidePolicyForNavigationAction(
      {url("https://dispatch.example.test/?x=1"), FrameTarget::mainFrame},
      [&](NavigationActionPolicy policy) {
        EXPECT_EQ(policy, NavigationActionPolicy::cancel);
        loadsWhenAnswered.push_back(c.loaded().size());
      });
  EXPECT_EQ(loadsWhenAnswered, std::vector<size_t>{1}) << "cancelled before the sign-in load";
  EXPECT_EQ(c.loaded(), (Strings{"https://dispatch.example.test/login",
                                 "https://dispatch.example.test/login"}));
  EXPECT_EQ(c.fake.webView().loadedRequests.back().timeout, std::chrono::seconds(60));
  EXPECT_TRUE(c.opened().empty());
}

TEST(NavigationDelegateTest, AnswersResponsesOnceAndReplacesTheRootPage) {
  Controller c;
  struct Row {
    const char* name;
    NavigationResponse response;
    NavigationResponsePolicy expected;
    size_t loadsAfter;
  };
  const Row rows[] = {
      {"platform page",
       {url("https://dispatch.example.test/jobs"), true, true},
       NavigationResponsePolicy::allow,
       1},
      {"file",
       {url("https://example.org/a.zip"), false, false},
       NavigationResponsePolicy::download,
       1},
      {"root page",
       {url("https://dispatch.example.test/"), true, true},
       NavigationResponsePolicy::cancel,
       2},
  };
  for (const Row& row : rows) {
    std::vector<NavigationResponsePolicy> answers;
    c.browser->decidePolicyForNavigationResponse(
        row.response, [&](NavigationResponsePolicy policy) { answers.push_back(policy); });
    EXPECT_EQ(answers, std::vector<NavigationResponsePolicy>{row.expected}) << row.name;
    EXPECT_EQ(c.loaded().size(), row.loadsAfter) << row.name;
  }
  EXPECT_EQ(c.loaded().back(), "https://dispatch.example.test/login");
}

TEST(NavigationDelegateTest, JudgesEveryDecisionByTheServerStoredAtThatMoment) {
  Controller c;
  const NavigationAction action{url("https://acme.example.test/jobs"), FrameTarget::mainFrame};
  std::vector<NavigationActionPolicy> answers;
  auto record = [&](NavigationActionPolicy policy) { answers.push_back(policy); };
  c.browser->decidePolicyForNavigationAction(action, record);
  c.fake.settings.values["serverURL"] = "https://acme.example.test";
  c.browser->decidePolicyForNavigationAction(action, record);
  c.fake.settings.values.erase("serverURL");
  c.browser->decidePolicyForNavigationAction(
      {url("https://www.app.haulvane.com/jobs"), FrameTarget::mainFrame}, record);
  EXPECT_EQ(answers, (std::vector{NavigationActionPolicy::cancel, NavigationActionPolicy::allow,
                                  NavigationActionPolicy::allow}))
      << "with nothing stored, the default address is the platform";
}

TEST(NavigationDelegateTest, BecomesTheDelegateOfEveryDownload) {
  struct RecordingDownload final : Download {
    [[nodiscard]] DownloadIdentity identity() const override { return 7; }
    void setDelegate(DownloadDelegate& d) override { delegate = &d; }
    DownloadDelegate* delegate = nullptr;
  };
  Controller c;
  RecordingDownload fromAction, fromResponse;
  c.browser->navigationActionDidBecomeDownload(fromAction);
  c.browser->navigationResponseDidBecomeDownload(fromResponse);
  EXPECT_EQ(fromAction.delegate, c.browser.get());
  EXPECT_EQ(fromResponse.delegate, c.browser.get());
}

TEST(OpenIfSameServerTest, LoadsOnlyTheServersOwnSchemeAndHost) {
  Controller c;
  c.browser->showErrorOverlay("offline");
  for (const char* ignored :
       {"https://DISPATCH.example.test/jobs", "https://www.dispatch.example.test/jobs",
        "http://dispatch.example.test/jobs"}) {
    c.browser->openIfSameServer(url(ignored));
    EXPECT_TRUE(c.browser->hasErrorOverlay()) << ignored;
  }
  EXPECT_EQ(c.loaded().size(), 1u);

  c.browser->openIfSameServer(url("https://dispatch.example.test:8443/drivers?x=1"));
  EXPECT_FALSE(c.browser->hasErrorOverlay());
  EXPECT_EQ(c.fake.window().shownOverlay(), nullptr);
  ASSERT_EQ(c.loaded().size(), 2u);
  EXPECT_EQ(c.loaded()[1], "https://dispatch.example.test:8443/drivers?x=1");
  EXPECT_EQ(c.fake.webView().loadedRequests[1].timeout, std::chrono::seconds(60));
}

TEST(ErrorOverlayTest, ShowsTheFailureWithTheFixedAdviceAndLook) {
  Controller c;
  c.browser->didFailProvisionalNavigation({-1004, "Could not connect to the server."});
  const OverlayDescription* overlay = c.fake.window().shownOverlay();
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(overlay->title.text, "Can\u2019t reach the dispatch server");
  EXPECT_EQ(overlay->message.text,
            "Could not connect to the server.\n\nCheck your internet connection. If you are "
            "online and this persists, the server itself may be down \u2014 dispatch by phone "
            "until it returns.");
  EXPECT_EQ(overlay->background, (Color{0.047, 0.055, 0.07, 1.0}));
  EXPECT_EQ(overlay->title.font, (Font{22, true}));
  EXPECT_EQ(overlay->title.color, (Color{1, 1, 1, 1}));
  EXPECT_EQ(overlay->message.font, (Font{13, false}));
  EXPECT_EQ(overlay->message.color, (Color{0.75, 0.75, 0.75, 1}));
  EXPECT_TRUE(overlay->message.wraps);
  EXPECT_EQ(overlay->columnSpacing, 14);
  EXPECT_EQ(overlay->columnMaxWidth, 460);
  EXPECT_EQ(overlay->buttonSpacing, 10);
  ASSERT_EQ(overlay->buttons.size(), 2u);
  EXPECT_EQ(overlay->buttons[0].title, "Try Again");
  EXPECT_EQ(overlay->buttons[0].keyEquivalent, "\r");
  EXPECT_EQ(overlay->buttons[1].title, "Change Server\u2026");
  EXPECT_EQ(overlay->buttons[1].keyEquivalent, "");
}

TEST(ErrorOverlayTest, IgnoresCancellationsAndKeepsOneOverlayAtATime) {
  Controller c;
  c.browser->didFailProvisionalNavigation({WebError::cancelled, "cancelled"});
  c.browser->didFailProvisionalNavigation({WebError::frameLoadInterruptedByPolicyChange, "x"});
  EXPECT_FALSE(c.browser->hasErrorOverlay());

  c.browser->didFailProvisionalNavigation({-1004, "first"});
  c.browser->didFailProvisionalNavigation({-1001, "second"});
  ASSERT_EQ(c.fake.window().attachedOverlays.size(), 1u);
  EXPECT_TRUE(c.fake.window().shownOverlay()->message.text.starts_with("second\n\n"));

  c.browser->didStartProvisionalNavigation();
  EXPECT_TRUE(c.fake.window().attachedOverlays.empty());
  EXPECT_FALSE(c.browser->hasErrorOverlay());
}

TEST(ErrorOverlayTest, TryAgainLoadsHomeOrOpensTheFirstRunPanel) {
  Controller stored;
  stored.browser->showErrorOverlay("offline");
  stored.fake.window().shownOverlay()->buttons[0].action();
  EXPECT_TRUE(stored.fake.window().attachedOverlays.empty());
  EXPECT_EQ(stored.loaded(), (Strings{"https://dispatch.example.test/login",
                                      "https://dispatch.example.test/login"}));

  Controller firstRun(std::nullopt);
  firstRun.fake.mainQueue.drain();
  firstRun.fake.alerts.shown.clear(); // the launch panel, set aside unanswered
  firstRun.browser->showErrorOverlay("offline");
  firstRun.fake.window().shownOverlay()->buttons[0].action();
  EXPECT_TRUE(firstRun.loaded().empty());
  firstRun.fake.mainQueue.drain();
  ASSERT_NE(firstRun.fake.alerts.current(), nullptr);
  EXPECT_EQ(firstRun.fake.alerts.current()->buttons.at(1), "Quit");
}

TEST(ErrorOverlayTest, ChangeServerRemovesTheOverlayBeforeTheOrdinaryPanel) {
  Controller c;
  c.browser->showErrorOverlay("offline");
  c.fake.window().shownOverlay()->buttons[1].action();
  EXPECT_FALSE(c.browser->hasErrorOverlay());
  ASSERT_NE(c.fake.alerts.current(), nullptr);
  EXPECT_EQ(c.fake.alerts.current()->buttons.at(1), "Cancel") << "not the first-run form";
  c.fake.alerts.answer(alertSecondButtonReturn);
  EXPECT_FALSE(c.browser->hasErrorOverlay());
  EXPECT_FALSE(c.fake.application.terminated);
}

TEST(EmailPrefillTest, FillsTheSignInPageOnceWithTheAddressEscaped) {
  Controller c;
  c.browser->setPendingEmailForTesting("o'\"brien\\\u00e9@x.test");
  c.finishLoading("https://www.dispatch.example.test/branch/login/?next=%2F");
  EXPECT_EQ(c.browser->pendingEmailForTesting(), std::nullopt);
  ASSERT_EQ(c.fake.webView().scripts.size(), 1u);
  const std::string& script = c.fake.webView().scripts[0];
  EXPECT_NE(script.find(R"(["o'\"brien\\)"
                        "\u00e9"
                        R"(@x.test"][0])"),
            std::string::npos)
      << script;

  c.finishLoading("https://dispatch.example.test/login");
  EXPECT_EQ(c.fake.webView().scripts.size(), 1u) << "used at most once";
}

TEST(EmailPrefillTest, WaitsForTheSignInPageOfThePlatform) {
  struct Row {
    const char* name;
    std::optional<const char*> page;
  };
  const Row rows[] = {
      {"another site", "https://example.org/login"},
      {"platform page", "https://dispatch.example.test/dashboard"},
      {"other letter case", "https://dispatch.example.test/Login"},
      {"longer last segment", "https://dispatch.example.test/relogin"},
      {"nothing shown", std::nullopt},
  };
  for (const Row& row : rows) {
    Controller c;
    c.browser->setPendingEmailForTesting("a@b.test");
    c.fake.webView().currentURL = row.page ? Url::parse(*row.page) : std::nullopt;
    c.browser->didFinishNavigation();
    EXPECT_EQ(c.browser->pendingEmailForTesting(), "a@b.test") << row.name;
    EXPECT_TRUE(c.fake.webView().scripts.empty()) << row.name;
  }

  Controller empty;
  empty.browser->setPendingEmailForTesting("");
  empty.finishLoading("https://dispatch.example.test/login");
  EXPECT_EQ(empty.browser->pendingEmailForTesting(), "") << "an empty address is left alone";
  EXPECT_TRUE(empty.fake.webView().scripts.empty());
}

TEST(EmailPrefillTest, PutsAnEmptyAddressInPlaceOfBytesThatAreNotText) {
  Controller c;
  c.browser->setPendingEmailForTesting("a\xff@b.test");
  c.finishLoading("https://dispatch.example.test/login");
  ASSERT_EQ(c.fake.webView().scripts.size(), 1u);
  EXPECT_NE(c.fake.webView().scripts[0].find(R"([""][0])"), std::string::npos);
  EXPECT_EQ(c.fake.webView().scripts[0].find('\xff'), std::string::npos);
}

TEST(PopUpTest, LoadsPlatformPopUpsHereAndSendsOthersToTheBrowser) {
  Controller c;
  c.browser->createWebViewWithConfiguration(
      {url("https://dispatch.example.test/jobs?id=4"), FrameTarget::newWindow});
  c.browser->createWebViewWithConfiguration(
      {url("https://example.org/help"), FrameTarget::newWindow});
  c.browser->createWebViewWithConfiguration({std::nullopt, FrameTarget::newWindow});
  EXPECT_EQ(c.loaded(), (Strings{"https://dispatch.example.test/login",
                                 "https://dispatch.example.test/jobs?id=4"}));
  EXPECT_EQ(c.opened(), Strings{"https://example.org/help"});
}

TEST(PermissionTest, GrantsLocationToThePlatformAfterAskingTheDesktop) {
  Controller c;
  std::vector<std::pair<PermissionDecision, int>> answers;
  auto record = [&](PermissionDecision decision) {
    answers.emplace_back(decision, c.fake.location.authorizationRequests);
  };
  c.browser->requestGeolocationPermissionForOrigin("WWW.dispatch.example.test", record);
  c.browser->requestGeolocationPermissionForOrigin("maps.example.org", record);
  EXPECT_EQ(answers, (std::vector<std::pair<PermissionDecision, int>>{
                         {PermissionDecision::grant, 1}, {PermissionDecision::deny, 1}}));
}

TEST(PermissionTest, GrantsNotificationsByTheSameRuleWithoutTheLocationService) {
  Controller c;
  std::vector<PermissionDecision> answers;
  auto record = [&](PermissionDecision decision) { answers.push_back(decision); };
  c.browser->requestNotificationPermissionForOrigin("dispatch.example.test", record);
  c.browser->requestNotificationPermissionForOrigin("example.org", record);
  EXPECT_EQ(answers, (std::vector{PermissionDecision::grant, PermissionDecision::deny}));
  EXPECT_EQ(c.fake.location.authorizationRequests, 0);
}

TEST(ScriptDialogTest, AlertAnswersThePageOnlyOnceClosed) {
  Controller c;
  int completions = 0;
  c.browser->runJavaScriptAlertPanelWithMessage("Truck 7 is due", [&] { ++completions; });
  ASSERT_NE(c.fake.alerts.current(), nullptr);
  EXPECT_EQ(c.fake.alerts.current()->messageText, "Velmora");
  EXPECT_EQ(c.fake.alerts.current()->informativeText, "Truck 7 is due");
  EXPECT_TRUE(c.fake.alerts.current()->buttons.empty()) << "the single default button";
  EXPECT_EQ(completions, 0);
  c.fake.alerts.answer();
  EXPECT_EQ(completions, 1);
}

TEST(ScriptDialogTest, ConfirmIsTrueOnlyForOK) {
  Controller c;
  std::vector<bool> answers;
  for (int code : {alertFirstButtonReturn, alertSecondButtonReturn, 1002}) {
    c.browser->runJavaScriptConfirmPanelWithMessage("Close job?",
                                                    [&](bool ok) { answers.push_back(ok); });
    EXPECT_EQ(c.fake.alerts.current()->buttons, (Strings{"OK", "Cancel"}));
    EXPECT_EQ(c.fake.alerts.current()->messageText, "Velmora");
    c.fake.alerts.answer(code);
  }
  EXPECT_EQ(answers, (std::vector{true, false, false}));
}

TEST(ScriptDialogTest, PromptTellsAnEmptyAnswerFromNone) {
  Controller c;
  std::vector<std::optional<std::string>> answers;
  auto record = [&](std::optional<std::string> text) { answers.push_back(std::move(text)); };

  c.browser->runJavaScriptTextInputPanelWithPrompt("Plate?", std::nullopt, record);
  ASSERT_TRUE(c.fake.alerts.current()->accessory);
  EXPECT_EQ(c.fake.alerts.current()->accessory->stringValue, "");
  EXPECT_EQ(c.fake.alerts.current()->accessory->width, 260);
  EXPECT_EQ(c.fake.alerts.current()->accessory->height, 24);
  EXPECT_EQ(c.fake.alerts.current()->informativeText, "Plate?");
  c.fake.alerts.answer(alertFirstButtonReturn, "");

  c.browser->runJavaScriptTextInputPanelWithPrompt("Plate?", "7ABC123", record);
  EXPECT_EQ(c.fake.alerts.current()->accessory->stringValue, "7ABC123");
  c.fake.alerts.answer(alertSecondButtonReturn, "7ABC123");

  c.browser->runJavaScriptTextInputPanelWithPrompt("Plate?", "x", record);
  c.fake.alerts.answer(alertFirstButtonReturn, "8DEF456");

  EXPECT_EQ(answers, (std::vector<std::optional<std::string>>{"", std::nullopt, "8DEF456"}));
}

} // namespace
} // namespace velmora
