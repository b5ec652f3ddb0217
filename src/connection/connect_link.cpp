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
    loadHome();
    return;
  }
  Alert confirmation = messageAlert(
      "Connect to " + address->host + "?",
      "This Mac will use " + address->base.absoluteString() +
          " and you will sign in there.\n\n"
          "Only continue if that is your company's own address \u2014 the one you already use in "
          "a browser.",
      {"Connect", "Cancel"});
  confirmation.style = Alert::Style::informational;
  desktop.alerts.runModal(confirmation, [this, alive = std::weak_ptr<bool>(alive),
                                         address = *address](const AlertResponse& answer) {
    if (alive.lock() && answer.code == alertFirstButtonReturn)
      verifyAndAdopt(address.base, address.host, false);
  });
}

} // namespace velmora
