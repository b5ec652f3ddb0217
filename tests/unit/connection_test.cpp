// The connection steps driven through the double: the address panel, the
// platform checks and connect links, above all that every failure brings the
// same form of the panel back and that nothing is stored unless proven.
#include "browser_fixture.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::Strings;
constexpr int connect = alertFirstButtonReturn;
constexpr int secondButton = alertSecondButtonReturn;
constexpr const char* platformJson = R"({"platform":"hv-towing","company":"Acme Towing"})";
constexpr const char* legacyPage = R"(<main class="hv-login"><input name="password"></main>)";

HttpResponse body(std::string text, int status = 200) {
  return HttpResponse{status, std::move(text), std::nullopt};
}
HttpResponse unreachable(std::string description) {
  return HttpResponse{std::nullopt, std::nullopt, std::move(description)};
}

// A controller over the double; with nothing stored, the first-run panel it
// schedules is already on show.
struct Connection : testing::Browser {
  explicit Connection(std::optional<std::string> stored = std::nullopt) : Browser(stored) {
    fake.mainQueue.drain();
  }
  [[nodiscard]] std::optional<std::string> stored() const {
    return fake.settings.stringForKey("serverURL");
  }
  // The panel in the given form: the first-run one that construction
  // schedules when nothing is stored, or the ordinary one over a stored
  // address (which loads it once).
  static std::unique_ptr<Connection> withPanel(bool firstRun) {
    if (firstRun)
      return std::make_unique<Connection>();
    auto connection = std::make_unique<Connection>("https://old.test");
    connection->controller->connection().showConnectPanel(false);
    return connection;
  }
  // True when the panel of the given form is on show.
  [[nodiscard]] bool panelShown(bool firstRun) const {
    const Alert* shown = fake.alerts.current();
    return shown && shown->accessory && shown->buttons.size() == 2 &&
           shown->buttons[1] == (firstRun ? "Quit" : "Cancel");
  }
};

TEST(ConnectPanelTest, FillsTheFieldWithStoredThenClipboardThenDefaultAddress) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;
    std::optional<std::string> clipboard;
    std::string field;
  } rows[] = {
      {"stored wins over the clipboard", "http://127.0.0.1:8080", "https://other.example.test",
       "http://127.0.0.1:8080"},
      {"stored empty string", "", "https://other.example.test", ""},
      {"clipboard suggestion", std::nullopt, " https://example.test/jobs\n",
       "https://example.test/jobs"},
      {"no suggestion", std::nullopt, "https://localhost", "https://app.haulvane.com"},
  };
  for (const auto& row : rows) {
    Connection connection(row.stored);
    connection.fake.alerts.shown.clear(); // the first-run panel from construction
    connection.fake.clipboard.text = row.clipboard;
    connection.controller->connection().showConnectPanel(false);
    EXPECT_EQ(connection.alert().accessory->stringValue, row.field) << row.name;
  }
}

// Quit ends a first run, Cancel changes nothing; an unusable entry is
// explained and the same form comes back empty-handed.
TEST(ConnectPanelTest, AnswersToEitherFormEndOrStartAgainWithoutAsking) {
  for (const bool firstRun : {true, false}) {
    auto quit = Connection::withPanel(firstRun);
    quit->fake.alerts.answer(secondButton, "typed.example.test");
    EXPECT_EQ(quit->fake.application.terminated, firstRun);
    EXPECT_TRUE(quit->fake.alerts.shown.empty());

    auto panel = Connection::withPanel(firstRun);
    Connection& connection = *panel;
    connection.fake.alerts.answer(connect, "https://");
    EXPECT_EQ(connection.alert().messageText, "Could not connect");
    EXPECT_EQ(connection.alert().informativeText, "That does not look like a domain.");
    EXPECT_TRUE(connection.alert().buttons.empty());
    connection.fake.alerts.answer();
    ASSERT_TRUE(connection.panelShown(firstRun));
    EXPECT_NE(connection.alert().accessory->stringValue, "https://") << "not carried over";
    EXPECT_TRUE(quit->fake.http.requests.empty() && connection.fake.http.requests.empty());
  }
}

// The address is stored before "Connected" is announced, and home loads only
// once that alert is dismissed; an older platform is stored only once the
// user confirms. What is asked, and what follows each answer, is checked
// against a real server.
TEST(VerificationTest, StoresBeforeAnnouncingAndAnOlderPlatformOnlyOnceConfirmed) {
  Connection current;
  current.fake.alerts.answer(connect, "  http://Acme.example.test:8443/app?x=1 ");
  current.fake.http.complete(body(platformJson, 404));
  EXPECT_EQ(current.stored(), "https://Acme.example.test:8443");
  EXPECT_EQ(current.alert().messageText, "Connected to Acme Towing");
  EXPECT_TRUE(current.loaded().empty());
  current.fake.alerts.answer();
  EXPECT_EQ(current.loaded(), Strings{"https://Acme.example.test:8443/login"});

  Connection older;
  older.fake.alerts.answer(connect, "old.example.test");
  older.fake.http.complete(body(R"({"platform":"HV-Towing"})"));
  older.fake.http.complete(body(legacyPage));
  EXPECT_EQ(older.alert().messageText, "Found the platform at old.example.test");
  EXPECT_FALSE(older.stored());
  older.fake.alerts.answer(connect);
  EXPECT_EQ(older.stored(), "https://old.example.test");
}

// Every way an attempt can fail, from both forms of the panel: the user is
// told, nothing is stored or loaded, and the same form comes back. Which
// answers count as failures is judged in the platform answer tests.
TEST(VerificationTest, EveryFailureLeavesTheAddressAndBringsTheSameFormBack) {
  const std::string unsaved =
      "https://acme.test is the platform, but Velmora could not write it to its settings file, so "
      "nothing has changed. Make sure the settings folder can be written to, then try again.";
  // Each failure is explained, except a declined older platform, which says
  // nothing more; the texts of the others are read against a real server.
  struct Row {
    const char* name;
    HttpResponse verification;
    std::optional<HttpResponse> legacy;
    std::optional<int> confirmation; // the answer to "Found the platform at"
    bool unwritable;
    std::string informative;
  } rows[] = {
      {"unreachable", unreachable("Connection refused"), {}, {}, false, ""},
      {"not the platform", body("<html>"), body(R"(<input name="password">)"), {}, false, ""},
      {"legacy declined", body("{}"), body(legacyPage), secondButton, false, ""},
      {"settings unwritable", body(platformJson), {}, {}, true, unsaved},
      {"settings unwritable after legacy", body("{}"), body(legacyPage), connect, true, ""},
  };
  for (const auto& row : rows) {
    for (const bool firstRun : {true, false}) {
      const std::string name = std::string(row.name) + (firstRun ? " (first run)" : "");
      auto panel = Connection::withPanel(firstRun);
      Connection& connection = *panel;
      connection.fake.settings.writable = !row.unwritable;
      connection.fake.alerts.answer(connect, "acme.test");
      connection.fake.http.complete(row.verification);
      if (row.legacy)
        connection.fake.http.complete(*row.legacy);
      if (row.confirmation)
        connection.fake.alerts.answer(*row.confirmation);
      if (row.confirmation != secondButton) {
        EXPECT_EQ(connection.alert().messageText,
                  row.unwritable ? "Could not save the address" : "Could not connect")
            << name;
        if (!row.informative.empty()) {
          EXPECT_EQ(connection.alert().informativeText, row.informative) << name;
        }
        connection.fake.alerts.answer();
      }
      EXPECT_TRUE(connection.panelShown(firstRun)) << name;
      EXPECT_EQ(connection.stored(),
                firstRun ? std::nullopt : std::optional<std::string>("https://old.test"))
          << name;
      EXPECT_TRUE(connection.loaded().size() == (firstRun ? 0u : 1u)) << name << ": no new load";
      for (const Alert& shown : connection.fake.alerts.history)
        EXPECT_FALSE(shown.messageText.starts_with("Connected")) << name;
    }
  }
}

// Plain http typed for a server that speaks only that was tried over https:
// the failure says so, or the user cannot tell why a right address failed.
TEST(VerificationTest, AnAddressRaisedToHttpsThatDoesNotAnswerSaysSo) {
  Connection connection;
  connection.fake.alerts.answer(connect, "http://acme.test:8080");
  connection.fake.http.complete(unreachable("Connection refused"));
  EXPECT_EQ(connection.alert().informativeText,
            "Could not reach acme.test: Connection refused (tried https://acme.test:8080; the "
            "server did not answer over https)");
}

// Each answer reaches only its own attempt, and none reaches a controller
// that is gone.
TEST(VerificationTest, AttemptsInFlightEachEndInTheirOwnOutcome) {
  Connection connection("https://old.test");
  connection.controller->connection().verifyAndAdopt(*normalizeServerAddress("https://one.test"),
                                                     false);
  connection.controller->connection().verifyAndAdopt(*normalizeServerAddress("https://two.test"),
                                                     false);
  connection.fake.http.complete(body(R"({"platform":"hv-towing","company":"One"})"));
  connection.fake.http.complete(unreachable("refused"));
  EXPECT_EQ(connection.stored(), "https://one.test");
  ASSERT_EQ(connection.fake.alerts.shown.size(), 2u);
  EXPECT_EQ(connection.fake.alerts.shown[0].alert.messageText, "Connected to One");
  EXPECT_EQ(connection.fake.alerts.shown[1].alert.informativeText,
            "Could not reach two.test: refused");

  Connection gone("https://old.test");
  gone.controller->connection().verifyAndAdopt(*normalizeServerAddress("https://one.test"), false);
  gone.controller.reset();
  gone.fake.http.complete(body(platformJson));
  EXPECT_EQ(gone.stored(), "https://old.test");
  EXPECT_TRUE(gone.fake.alerts.history.empty());
}

TEST(ConnectLinkTest, ABlankOrUnusableServerOpensThePanelForWhetherAnythingIsStored) {
  struct Row {
    const char* link;
    bool explains;
  } rows[] = {
      {"haulvane://connect?server=%20%0A&email=a%40b.test", false},
      {"haulvane://connect?server=https://&email=a%40b.test", true},
  };
  for (const auto& row : rows) {
    for (const bool stored : {false, true}) {
      Connection connection(stored ? std::optional<std::string>("https://acme.test")
                                   : std::nullopt);
      connection.fake.alerts.shown.clear();
      connection.controller->connection().handleConnectLink(*Url::parse(row.link));
      EXPECT_EQ(connection.controller->connection().pendingEmail(), "a@b.test") << row.link;
      if (row.explains) {
        EXPECT_EQ(connection.alert().informativeText,
                  "That setup link does not contain a usable address.");
        connection.fake.alerts.answer();
      }
      EXPECT_TRUE(connection.panelShown(!stored)) << row.link;
      EXPECT_TRUE(connection.fake.http.requests.empty());
    }
  }
}

// Declining another address declines the link's e-mail too.
TEST(ConnectLinkTest, TheStoredAddressJustReloadsAndAnyOtherAsksFirst) {
  Connection connection("https://acme.test");
  connection.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=http://acme.test/app?x=1"));
  EXPECT_TRUE(connection.fake.alerts.history.empty());
  EXPECT_EQ(connection.loaded().size(), 2u);
  EXPECT_EQ(connection.fake.application.activations, 1);
  EXPECT_EQ(connection.controller->connection().pendingEmail(), std::nullopt);

  for (const char* other : {"https://ACME.test", "https://acme.test:8443"}) {
    connection.controller->connection().handleConnectLink(
        *Url::parse(std::string("haulvane://connect?email=mallory%40evil.test&server=") + other));
    EXPECT_EQ(connection.alert().buttons, (Strings{"Connect", "Cancel"}));
    connection.fake.alerts.answer(secondButton);
    EXPECT_TRUE(connection.fake.http.requests.empty()) << other;
    EXPECT_EQ(connection.controller->connection().pendingEmail(), std::nullopt) << other;
  }

  connection.controller->connection().handleConnectLink(
      *Url::parse("HAULVANE://Connect?server=example.test&email=d%40example.test"));
  EXPECT_EQ(connection.alert().messageText, "Connect to example.test?");
  EXPECT_TRUE(connection.alert().informativeText.starts_with(
      "This computer will use https://example.test and"));
  EXPECT_EQ(connection.alert().style, Alert::Style::informational);
  connection.fake.alerts.answer(connect);
  ASSERT_EQ(connection.fake.http.requests.size(), 1u);
  EXPECT_EQ(connection.fake.http.requests[0].url.absoluteString(),
            "https://example.test/api/v1/app-info");
  EXPECT_EQ(connection.stored(), "https://acme.test") << "not before the platform answers";
}

TEST(ConnectLinkTest, AnAddressALinkSettlesClosesEveryAddressPanelUnanswered) {
  // The first-run panel is on show when the set-up link arrives; the link's
  // confirmation stacks on top of it, as GTK stacks dialogs.
  Connection first;
  ASSERT_TRUE(first.panelShown(true));
  first.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=new.test"));
  first.fake.alerts.answer(connect);
  first.fake.http.complete(body(platformJson));
  EXPECT_EQ(first.alert().messageText, "Connected to Acme Towing");
  EXPECT_EQ(first.fake.alerts.shown.size(), 1u) << "the first-run panel is still open";
  first.fake.alerts.answer();
  EXPECT_FALSE(first.fake.application.terminated);
  EXPECT_EQ(first.stored(), "https://new.test");
  EXPECT_EQ(first.loaded(), Strings{"https://new.test/login"});

  // An open Settings panel goes too when a link names the stored address.
  Connection settings("https://acme.test");
  settings.controller->connection().showConnectPanel(false);
  settings.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=acme.test"));
  EXPECT_EQ(settings.fake.alerts.current(), nullptr);
  EXPECT_EQ(settings.loaded().size(), 2u);
}

TEST(ConnectLinkTest, AFailedLinkAttemptReturnsToTheOrdinaryPanelEvenOnAFirstRun) {
  Connection connection;
  connection.fake.alerts.shown.clear();
  connection.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=new.test&email=d%40example.test"));
  connection.fake.alerts.answer(connect);
  connection.fake.http.complete(unreachable("refused"));
  EXPECT_EQ(connection.alert().informativeText, "Could not reach new.test: refused");
  connection.fake.alerts.answer();
  EXPECT_TRUE(connection.panelShown(false));
  EXPECT_FALSE(connection.stored());
  EXPECT_EQ(connection.controller->connection().pendingEmail(), "d@example.test");
}

// Links clicked in a row: only the last one's question stays, whatever the
// later link holds, so the desk can never be switched to an older server.
TEST(ConnectLinkTest, ALaterLinkTakesAwayTheEarlierQuestion) {
  struct Row {
    const char* name;
    const char* later;
    const char* question; // null: no question stays
  } rows[] = {
      {"the stored server", "haulvane://connect?server=acme.test&email=d%40example.test", nullptr},
      {"a blank server", "haulvane://connect?server=&email=d%40example.test", "Server address"},
  };
  for (const auto& row : rows) {
    Connection connection("https://acme.test");
    connection.controller->connection().handleConnectLink(
        *Url::parse("haulvane://connect?server=evil.test&email=mallory%40evil.test"));
    connection.controller->connection().handleConnectLink(*Url::parse(row.later));
    for (const auto& shown : connection.fake.alerts.shown)
      EXPECT_EQ(shown.alert.messageText.find("evil.test"), std::string::npos) << row.name;
    if (row.question) {
      ASSERT_EQ(connection.fake.alerts.shown.size(), 1u) << row.name;
      EXPECT_EQ(connection.alert().messageText, row.question) << row.name;
      connection.fake.alerts.answer(secondButton);
    }
    EXPECT_TRUE(connection.fake.alerts.shown.empty()) << row.name;
    EXPECT_TRUE(connection.fake.http.requests.empty()) << row.name;
    EXPECT_EQ(connection.stored(), "https://acme.test") << row.name;
  }
}

} // namespace
} // namespace velmora
