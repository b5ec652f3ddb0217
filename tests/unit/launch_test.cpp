// The application's start, and connect links that arrive around it.
#include "app/app_delegate.hpp"
#include "fake_desktop.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;

// Whatever is stored, even text that is no address, is loaded (the default
// server standing in for text that does not parse); only nothing stored
// schedules the first-run panel, shown once construction has returned.
TEST(LoadHomeTest, LoadsTheSignInPageOfAnythingStoredOrSchedulesTheFirstRunPanel) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;
    std::optional<std::string> load; // none: the first-run panel instead
  };
  const std::string fallback = "https://app.haulvane.com";
  const Row rows[] = {
      {"nothing stored", std::nullopt, std::nullopt},
      {"empty string", "", fallback + "/login"},
      {"unparsable text", "https://bad host", fallback + "/login"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    if (row.stored)
      fake.settings.values["serverURL"] = *row.stored;
    BrowserWindowController controller(fake.desktop, nullptr);
    EXPECT_FALSE(fake.window().visible) << row.name << ": the delegate shows the window";
    const auto& loads = fake.webView().loadedRequests;
    ASSERT_EQ(loads.size(), row.load ? 1u : 0u) << row.name;
    if (row.load) {
      EXPECT_EQ(loads[0].url.absoluteString(), *row.load) << row.name;
    }
    EXPECT_TRUE(fake.alerts.history.empty()) << row.name << ": nothing shown while building";
    fake.mainQueue.drain();
    const Alert* panel = fake.alerts.current();
    EXPECT_EQ(panel ? panel->buttons.at(1) : "", row.load ? "" : "Quit") << row.name;
  }
}

// Links that arrive before launch wait for the window and are handed on
// once; reopening shows the same window again only when none is visible.
TEST(LaunchTest, HoldsEarlyLinksForTheWindowAndReopenShowsItOnlyWhenHidden) {
  FakeDesktop fake;
  fake.settings.values["serverURL"] = "https://acme.example.test";
  AppDelegate delegate(fake.desktop);
  EXPECT_TRUE(delegate.applicationShouldHandleReopen(false)) << "before launch: nothing to show";
  delegate.openURLs({
      *Url::parse("haulvane://connect?server=first.test"),
  });
  delegate.openURLs({*Url::parse("https://other.test"),
                     *Url::parse("HAULVANE://connect?server=acme.example.test&email=a%40b.test"),
                     *Url::parse("haulvane://connect?server=third.test")});
  EXPECT_EQ(delegate.browserController(), nullptr);

  delegate.applicationDidFinishLaunching();
  EXPECT_EQ(fake.window().shows, 1) << "the link is handled after the window is shown";
  // Only the second batch's first connect link arrives: it names the stored
  // server, so the platform is simply loaded again, and its e-mail is kept.
  EXPECT_EQ(delegate.browserController()->connection().pendingEmail(), "a@b.test");
  EXPECT_EQ(fake.webView().loadedRequests.size(), 2u);
  EXPECT_TRUE(fake.alerts.history.empty());

  EXPECT_TRUE(delegate.applicationShouldHandleReopen(true));
  EXPECT_EQ(fake.window().shows, 1);
  fake.window().visible = false; // the user closed the window
  EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
  EXPECT_EQ(fake.window().shows, 2);
  EXPECT_EQ(fake.webView().loadedRequests.size(), 2u) << "same window, same page, no link again";
  EXPECT_FALSE(delegate.applicationShouldTerminateAfterLastWindowClosed());
}

// Launch shows and activates the window; a connect link that started the
// application then takes the place of the first-run panel.
TEST(LaunchTest, ALinkThatStartsTheAppTakesThePlaceOfTheFirstRunPanel) {
  struct Row {
    const char* name;
    std::vector<const char*> links;
    const char* firstAlert;
  };
  const Row rows[] = {
      {"new address",
       {"haulvane://connect?server=acme.example.test"},
       "Connect to acme.example.test?"},
      {"blank server", {"haulvane://connect?server=%20"}, "Connect to your towing platform"},
      {"unusable server", {"haulvane://connect?server=https://"}, "Could not connect"},
      {"no connect link", {"https://a.test", "/relative"}, "Connect to your towing platform"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    AppDelegate delegate(fake.desktop);
    std::vector<Url> urls;
    for (const char* link : row.links)
      urls.push_back(*Url::parse(link));
    delegate.openURLs(urls);
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(fake.window().visible) << row.name;
    EXPECT_GE(fake.application.activations, 1) << row.name;
    fake.mainQueue.drain();
    ASSERT_EQ(fake.alerts.shown.size(), 1u) << row.name << ": one dialog, never two stacked";
    EXPECT_EQ(fake.alerts.current()->messageText, row.firstAlert) << row.name;
    if (std::string_view(row.name) == "new address") {
      fake.alerts.answer(alertSecondButtonReturn); // Cancel: the first-run panel comes back
      EXPECT_EQ(fake.alerts.current()->messageText, "Connect to your towing platform");
      EXPECT_TRUE(fake.settings.values.empty());
    }
  }
}

} // namespace
} // namespace velmora
