#include "connection/connection_alerts.hpp"
#include "connection/connection_steps.hpp"
#include "connection/server_address_text.hpp"

namespace velmora {
namespace {

constexpr std::string_view firstRunExplanation =
    "Your company's address is at the bottom of any email the system has sent you, next to "
    "\"Using the Mac app?\".\n\n"
    "It is also the address you use in a browser \u2014 open it and add /app for a one-click "
    "Connect button.\n\n"
    "Paste or type it below. The app checks the address really is your towing platform before "
    "saving it.";

constexpr std::string_view ordinaryExplanation =
    "The address this app signs in to. It is the same address you use in a browser; opening that "
    "address and adding /app gives you a one-click Connect button.";

constexpr std::string_view lockedExplanation =
    "The address this app signs in to. This computer's administrator has set it for everyone who "
    "uses the computer, so it cannot be changed here.";

// A bare host in the shape of a company's own domain, with no scheme, so
// that people see they need not type one.
constexpr std::string_view placeholderHost = "dispatch.yourcompany.com";

} // namespace

ConnectionSteps::ConnectionSteps(Desktop& desktop, ServerAddressSetting& server,
                                 std::function<void()> loadHome)
    : desktop_(desktop), server_(server), loadHome_(std::move(loadHome)) {}

void ConnectionSteps::scheduleFirstRunPanel() {
  // Deferred so that launch completion finishes first: the window is shown
  // and any pending connect link handed on before the panel opens.
  firstRunPanelScheduled_ = true;
  desktop_.mainQueue.async(lifetime_.guard([this] {
    if (std::exchange(firstRunPanelScheduled_, false))
      showConnectPanel(true);
  }));
}

void ConnectionSteps::showConnectPanel(bool firstRun) {
  if (server_.isLocked()) {
    showLockedAddress();
    return;
  }
  // The clipboard is read afresh for every opening: what the user copied
  // since the last one is what they mean now.
  desktop_.clipboard.readText(lifetime_.guard([this, firstRun, settled = addressesSettled_](
                                                  const std::optional<std::string>& clipboard) {
    // An address adopted while the clipboard was read answers this panel.
    if (settled != addressesSettled_)
      return;
    std::optional<std::string> initialValue = server_.storedServer();
    // After the administrator's address failed its check, it is still the
    // likeliest one to correct.
    if (!initialValue)
      if (const auto machine = server_.machineServer())
        initialValue = machine->base.absoluteString();
    if (!initialValue)
      initialValue = clipboardSuggestion(clipboard);
    Alert panel = messageAlert(firstRun ? "Connect to your towing platform" : "Server address",
                               std::string(firstRun ? firstRunExplanation : ordinaryExplanation),
                               {"Connect", firstRun ? "Quit" : "Cancel"});
    panel.accessory = TextFieldAccessory{
        .stringValue = initialValue.value_or(std::string(ServerAddressSetting::suggestedServer)),
        .placeholderString = std::string(placeholderHost),
        .width = 340,
        .height = 24};
    auto id = std::make_shared<AlertId>();
    *id = desktop_.alerts.runModal(
        panel, lifetime_.guard([this, firstRun, id](const AlertResponse& answer) {
          addressPanels_.erase(*id);
          if (answer.code != alertFirstButtonReturn) {
            if (firstRun)
              desktop_.application.terminate();
            return;
          }
          const auto address = normalizeServerAddress(answer.fieldText);
          if (!address) {
            // The rejected text is not carried over: the new panel starts
            // from the stored, clipboard or default address again.
            showFailureThenPanel(
                messageAlert("Could not connect", "That does not look like a domain."), firstRun);
            return;
          }
          verifyAndAdopt(*address, firstRun);
        }));
    addressPanels_.insert(*id);
  }));
}

void ConnectionSteps::showLockedAddress() {
  Alert panel = messageAlert("Server address", std::string(lockedExplanation), {"OK"});
  panel.accessory = TextFieldAccessory{.stringValue = server_.storedServer().value_or(""),
                                       .placeholderString = {},
                                       .width = 340,
                                       .height = 24,
                                       .editable = false};
  panel.style = Alert::Style::informational;
  desktop_.alerts.runModal(panel, [](const AlertResponse&) {});
}

void ConnectionSteps::closeAddressPanels() {
  ++addressesSettled_;
  for (AlertId panel : std::exchange(addressPanels_, {}))
    desktop_.alerts.dismiss(panel);
}

} // namespace velmora
