// The application's start: the window controller's construction, home
// loading with and without a stored server, and connect links that arrive
// before and after launch.
#include "app/app_delegate.hpp"
#include "fake_desktop.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;

std::string loadedURL(const FakeDesktop& fake, size_t index = 0) {
  return fake.webView().loadedRequests.at(index).url.absoluteString();
}

TEST(ServerAddressTest, YieldsTheDefaultUntilSomethingUsableIsStored) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;
    std::optional<std::string> expectedStored;
    std::string expectedURL;
  };
  const Row rows[] = {
      {"nothing stored", std::nullopt, std::nullopt, "https://app.haulvane.com"},
      {"stored address", "https://acme.example.test", "https://acme.example.test",
       "https://acme.example.test"},
      {"empty string", "", "", "https://app.haulvane.com"},
      {"unparsable text", "https://bad host", "https://bad host", "https://app.haulvane.com"},
      {"local server", "http://127.0.0.1:8080", "http://127.0.0.1:8080", "http://127.0.0.1:8080"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    if (row.stored)
      fake.settings.values["serverURL"] = *row.stored;
    BrowserWindowController controller(fake.desktop);
    EXPECT_EQ(controller.storedServer(), row.expectedStored) << row.name;
    EXPECT_EQ(controller.serverURL().absoluteString(), row.expectedURL) << row.name;
  }
}

TEST(ServerAddressTest, SeesAValueWrittenBetweenTwoReads) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  fake.settings.values["serverURL"] = "https://later.example.test";
  EXPECT_EQ(controller.serverURL().absoluteString(), "https://later.example.test");
}

TEST(WindowSetupTest, BuildsTheWindowAndConfiguresTheWebView) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  BrowserWindowController controller(fake.desktop);

  const WindowDescription& window = fake.window().description;
  EXPECT_EQ(window.title, "Velmora");
  EXPECT_EQ(window.contentSize, (Size{1280, 860}));
  EXPECT_EQ(window.minSize, (Size{700, 500}));
  EXPECT_TRUE(window.centered);
  EXPECT_EQ(window.frameAutosaveName, "MainWindow");
  EXPECT_EQ(fake.window().toolbar->identifier, "HaulvaneNav");
  EXPECT_FALSE(fake.window().visible) << "the delegate shows the window, not construction";

  const WebViewConfiguration& configuration = fake.webView().configuration;
  EXPECT_TRUE(configuration.persistentDataStore);
  EXPECT_EQ(configuration.applicationNameForUserAgent, "VelmoraMac/1.1");
  ASSERT_EQ(configuration.userScripts.size(), 2u);
  EXPECT_NE(configuration.userScripts[0].source.find("__vlmBadgeHooked"), std::string::npos)
      << "the badge hook comes first";
  EXPECT_NE(configuration.userScripts[1].source.find("__vlmNavHooked"), std::string::npos);
  EXPECT_EQ(configuration.scriptMessageHandlerNames,
            (std::vector<std::string>{"bellCount", "navLinks"}));
}

TEST(LoadHomeTest, LoadsTheSignInPageOfTheStoredServer) {
  for (const char* stored : {"https://acme.example.test", "https://acme.example.test/"}) {
    FakeDesktop fake;
    fake.settings.values["serverURL"] = stored;
    BrowserWindowController controller(fake.desktop);
    ASSERT_EQ(fake.webView().loadedRequests.size(), 1u) << stored;
    const UrlRequest& request = fake.webView().loadedRequests[0];
    EXPECT_EQ(request.url.absoluteString(), "https://acme.example.test/login") << stored;
    EXPECT_EQ(request.timeout, std::chrono::seconds(60));
    EXPECT_EQ(request.cachePolicy, UrlRequest::CachePolicy::useProtocolCachePolicy);
    EXPECT_TRUE(fake.mainQueue.tasks.empty()) << "no panel with a stored server";
  }
}

TEST(LoadHomeTest, AnEmptyStoredStringLoadsTheDefaultServerWithoutAPanel) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "";
  BrowserWindowController controller(fake.desktop);
  EXPECT_EQ(loadedURL(fake), "https://app.haulvane.com/login");
  fake.mainQueue.drain();
  EXPECT_TRUE(fake.alerts.history.empty());
}

TEST(LoadHomeTest, FirstRunSchedulesTheFirstRunPanelInsteadOfLoading) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  EXPECT_TRUE(fake.webView().loadedRequests.empty());
  EXPECT_TRUE(fake.alerts.history.empty()) << "scheduled, not shown during construction";
  fake.mainQueue.drain();
  ASSERT_NE(fake.alerts.current(), nullptr);
  EXPECT_EQ(fake.alerts.current()->messageText, "Connect to your towing platform");
  ASSERT_EQ(fake.alerts.current()->buttons.size(), 2u);
  EXPECT_EQ(fake.alerts.current()->buttons[1], "Quit");
}

TEST(LaunchTest, ShowsTheWindowAndActivatesBeforeTheFirstRunPanel) {
  FakeDesktop fake;
  AppDelegate delegate(fake.desktop);
  delegate.applicationDidFinishLaunching();
  EXPECT_TRUE(fake.window().visible);
  EXPECT_EQ(fake.application.activations, 1);
  EXPECT_TRUE(fake.alerts.history.empty()) << "the panel waits until launch completion returns";
  fake.mainQueue.drain();
  EXPECT_EQ(fake.alerts.history.size(), 1u);
}

TEST(LaunchTest, HoldsALinkThatArrivesBeforeLaunchAndHandsItOnOnce) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  delegate.openURLs({
      *Url::parse("haulvane://connect?server=first.test"),
  });
  delegate.openURLs({*Url::parse("https://other.test"),
                     *Url::parse("HAULVANE://connect?server=acme.example.test&email=a%40b.test"),
                     *Url::parse("haulvane://connect?server=third.test")});
  EXPECT_EQ(delegate.browserController(), nullptr);

  delegate.applicationDidFinishLaunching();
  BrowserWindowController& browser = *delegate.browserController();
  EXPECT_TRUE(fake.window().visible) << "the link is handled after the window is shown";
  // Only the second batch's first connect link arrives: it names the stored
  // server, so the platform is simply loaded again, and its e-mail is kept.
  EXPECT_EQ(browser.pendingEmailForTesting(), "a@b.test");
  EXPECT_EQ(fake.webView().loadedRequests.size(), 2u);
  EXPECT_TRUE(fake.alerts.history.empty());

  // Reopening after launch does not hand the link on again.
  delegate.applicationShouldHandleReopen(false);
  EXPECT_EQ(fake.webView().loadedRequests.size(), 2u);
}

TEST(LaunchTest, ALinkThatStartsTheAppTakesThePlaceOfTheFirstRunPanel) {
  struct Row {
    const char* name;
    const char* link;
    const char* firstAlert;
  };
  const Row rows[] = {
      {"new address", "haulvane://connect?server=acme.example.test",
       "Connect to acme.example.test?"},
      {"blank server", "haulvane://connect?server=%20", "Connect to your towing platform"},
      {"unusable server", "haulvane://connect?server=https://", "Could not connect"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    AppDelegate delegate(fake.desktop);
    delegate.openURLs({*Url::parse(row.link)});
    delegate.applicationDidFinishLaunching();
    fake.mainQueue.drain();
    ASSERT_EQ(fake.alerts.shown.size(), 1u) << row.name << ": one dialog, never two stacked";
    EXPECT_EQ(fake.alerts.current()->messageText, row.firstAlert) << row.name;
  }
}

TEST(LaunchTest, DecliningTheStartingLinkBringsTheFirstRunPanelBack) {
  FakeDesktop fake;
  AppDelegate delegate(fake.desktop);
  delegate.openURLs({*Url::parse("haulvane://connect?server=acme.example.test")});
  delegate.applicationDidFinishLaunching();
  fake.mainQueue.drain();
  fake.alerts.answer(alertSecondButtonReturn); // Cancel
  ASSERT_NE(fake.alerts.current(), nullptr);
  EXPECT_EQ(fake.alerts.current()->messageText, "Connect to your towing platform");
  EXPECT_TRUE(fake.settings.values.empty());
}

TEST(LaunchTest, IgnoresBatchesWithoutAConnectLink) {
  FakeDesktop fake;
  AppDelegate delegate(fake.desktop);
  delegate.openURLs({*Url::parse("https://a.test"), *Url::parse("/relative")});
  delegate.applicationDidFinishLaunching();
  fake.mainQueue.drain();
  // Only the first-run panel: no link was held.
  EXPECT_EQ(fake.alerts.history.size(), 1u);
}

TEST(LaunchTest, ReopenShowsTheSameWindowOnlyWhenNoneIsVisible) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  EXPECT_TRUE(delegate.applicationShouldHandleReopen(false)) << "before launch: nothing to show";
  delegate.applicationDidFinishLaunching();
  EXPECT_EQ(fake.window().shows, 1);

  EXPECT_TRUE(delegate.applicationShouldHandleReopen(true));
  EXPECT_EQ(fake.window().shows, 1);

  fake.window().visible = false; // the user closed the window
  EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
  EXPECT_EQ(fake.window().shows, 2);
  EXPECT_EQ(fake.webView().loadedRequests.size(), 1u) << "same window, same page";
  EXPECT_FALSE(delegate.applicationShouldTerminateAfterLastWindowClosed());
}

TEST(LaunchTest, SettingsBeforeLaunchDoesNothing) {
  FakeDesktop fake;
  AppDelegate delegate(fake.desktop);
  delegate.showPreferences();
  EXPECT_TRUE(fake.alerts.history.empty());
  EXPECT_EQ(fake.windows.window, nullptr);
}

TEST(LaunchTest, WindowCommandsReachNobodyBeforeLaunch) {
  FakeDesktop fake;
  AppDelegate delegate(fake.desktop);
  EXPECT_FALSE(delegate.validate(Action::reloadPage));
  EXPECT_FALSE(delegate.validate(Action::goHome));
  EXPECT_TRUE(delegate.validate(Action::showPreferences));
  delegate.perform(Action::reloadPage); // must not crash
}

} // namespace
} // namespace velmora
