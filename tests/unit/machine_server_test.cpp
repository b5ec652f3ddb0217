// A server chosen by the machine's administrator, and what a desk does
// with it.
#include "connection/server_choice.hpp"
#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ServerChoiceTest, TheUsersAddressWinsUnlessTheMachinesIsLocked) {
  const std::string machine = "https://dispatch.acme.test";
  struct Row {
    const char* name;
    std::optional<std::string> user;
    MachineServerSettings system;
    std::optional<std::string> server;
    bool locked;
    std::optional<std::string> toAdopt;
  } rows[] = {
      {"nothing anywhere", {}, {}, {}, false, {}},
      {"the machine's fills in", {}, {machine, {}}, {}, false, machine},
      {"the user's beats an unlocked machine",
       "https://own.test",
       {machine, "false"},
       "https://own.test",
       false,
       {}},
      {"a lock without the user's", {}, {machine, " TRUE "}, machine, true, {}},
      {"an empty user text still counts", "", {machine, {}}, "", false, {}},
      {"the machine's is normalised",
       {},
       {"Dispatch.acme.test/app ", "1"},
       "https://Dispatch.acme.test",
       true,
       {}},
      {"a lock with a typo locks nothing",
       "https://own.test",
       {machine, "ture"},
       "https://own.test",
       false,
       {}},
      {"a lock without an address locks nothing",
       "https://own.test",
       {{}, "true"},
       "https://own.test",
       false,
       {}},
      {"an unusable machine address is passed over",
       "https://own.test",
       {"https://", "true"},
       "https://own.test",
       false,
       {}},
  };
  for (const auto& row : rows) {
    const ServerChoice choice = chooseServer(row.user, row.system);
    EXPECT_EQ(choice.server, row.server) << row.name;
    EXPECT_EQ(choice.locked, row.locked) << row.name;
    EXPECT_EQ(choice.machineServer ? std::optional(choice.machineServer->base.absoluteString())
                                   : std::nullopt,
              row.toAdopt)
        << row.name;
  }
}

constexpr const char* machine = "https://dispatch.acme.test";

struct Desk {
  explicit Desk(std::optional<std::string> user, bool locked) {
    if (user)
      fake.settings.values["serverURL"] = *user;
    fake.settings.systemValues["serverURL"] = machine;
    if (locked)
      fake.settings.systemValues["locked"] = "true";
    controller = std::make_unique<BrowserWindowController>(fake.desktop, &fake.application.goMenu);
    fake.mainQueue.drain();
  }
  testing::FakeDesktop fake;
  std::unique_ptr<BrowserWindowController> controller;
};

// A desk whose administrator's address fails its check gets the panel with
// that address filled in. (That a good one connects without the panel is
// the end-to-end desk test's.)
TEST(MachineServerTest, AFreshDeskWhoseMachineAddressFailsGetsThePanelWithIt) {
  Desk down(std::nullopt, false);
  down.fake.http.complete(HttpResponse{std::nullopt, std::nullopt, "Connection refused"});
  down.fake.alerts.answer(); // "Could not connect"
  ASSERT_NE(down.fake.alerts.current(), nullptr);
  EXPECT_EQ(down.fake.alerts.current()->messageText, "Connect to your towing platform");
  EXPECT_EQ(down.fake.alerts.current()->accessory->stringValue, machine);
}

// Locked: Settings… only shows the address, and a link may fill in the
// e-mail but never switch servers (nor reach the other one: end to end).
TEST(MachineServerTest, ALockedAddressCannotBeChangedFromSettingsOrByALink) {
  Desk desk("https://own.test", true);
  desk.controller->connection().showConnectPanel(false);
  const Alert* panel = desk.fake.alerts.current();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->accessory->stringValue, machine);
  EXPECT_FALSE(panel->accessory->editable);
  EXPECT_EQ(panel->buttons, std::vector<std::string>{"OK"});
  desk.fake.alerts.answer(alertFirstButtonReturn, "https://elsewhere.test");
  EXPECT_EQ(desk.fake.settings.values["serverURL"], "https://own.test") << "nothing written";
  EXPECT_TRUE(desk.fake.http.requests.empty());

  desk.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=elsewhere.test&email=a%40b.test"));
  ASSERT_NE(desk.fake.alerts.current(), nullptr);
  EXPECT_EQ(desk.fake.alerts.current()->messageText, "Setup link not used");
  EXPECT_EQ(desk.controller->connection().pendingEmail(), std::nullopt);
  desk.fake.alerts.answer();

  desk.controller->connection().handleConnectLink(
      *Url::parse("haulvane://connect?server=https%3A%2F%2Fdispatch.acme.test&email=a%40b.test"));
  EXPECT_TRUE(desk.fake.alerts.shown.empty());
  EXPECT_EQ(desk.controller->connection().pendingEmail(), "a@b.test");
  EXPECT_EQ(desk.fake.webView().loadedAddresses().size(), 2u) << "home loaded again";
}

} // namespace
} // namespace velmora
