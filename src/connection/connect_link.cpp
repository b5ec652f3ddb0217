#include "connection/connect_link_parser.hpp"
#include "connection/connection_alerts.hpp"
#include "connection/server_address_text.hpp"
#include "connection/text.hpp"
#include "window/browser_window_controller.hpp"

namespace velmora {

// A link is untrusted input from any web page or mail. It may set the e-mail
// to prefill, but an address that differs from the stored one is adopted
// only after the user confirms it and the platform proves itself.
void BrowserWindowController::handleConnectLink(const Url& link) {
  auto parsed = parseConnectLink(link);
  if (!parsed)
    return;
  // Kept even when the rest of the link is refused or declined.
  pendingEmail = std::move(parsed->email);
  // A link that arrives with the app's start replaces the first-run panel
  // waiting to open: every path below asks the user something itself.
  const bool replacedFirstRunPanel = std::exchange(firstRunPanelScheduled, false);

  const std::string server = trimWhitespaceAndLineBreaks(parsed->server);
  if (server.empty()) {
    showConnectPanel(!storedServer());
    return;
  }
  const auto address = normalizeServerAddress(server);
  if (!address) {
    desktop.alerts.runModal(
        messageAlert("Could not connect", "That setup link does not contain a usable address."),
        [this, alive = std::weak_ptr<bool>(alive)](const AlertResponse&) {
          if (alive.lock())
            showConnectPanel(!storedServer());
        });
    return;
  }

  desktop.application.activateIgnoringOtherApps();
  if (storedServer() == address->base.absoluteString()) {
    closeAddressPanels();
    loadHome();
    return;
  }
  Alert confirmation = messageAlert(
      "Connect to " + address->host + "?",
      "This computer will use " + address->base.absoluteString() +
          " and you will sign in there.\n\n"
          "Only continue if that is your company's own address \u2014 the one you already use in "
          "a browser.",
      {"Connect", "Cancel"});
  confirmation.style = Alert::Style::informational;
  desktop.alerts.runModal(confirmation,
                          [this, alive = std::weak_ptr<bool>(alive), address = *address,
                           replacedFirstRunPanel](const AlertResponse& answer) {
                            if (!alive.lock())
                              return;
                            if (answer.code == alertFirstButtonReturn) {
                              verifyAndAdopt(address.base, address.host, false);
                            } else if (replacedFirstRunPanel && !storedServer()) {
                              // Declined on a first start: without the panel the user would be left
                              // with an empty window and no way in.
                              showConnectPanel(true);
                            }
                          });
}

} // namespace velmora
