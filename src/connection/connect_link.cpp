#include "connection/connect_link_parser.hpp"
#include "connection/connection_alerts.hpp"
#include "connection/connection_steps.hpp"
#include "connection/server_address_text.hpp"
#include "platform/text.hpp"

namespace velmora {

void ConnectionSteps::handleConnectLink(const Url& link) {
  auto parsed = parseConnectLink(link);
  if (!parsed)
    return;
  // Kept even when the rest of the link is refused, so that the address
  // panel it leads to still ends on a filled-in sign-in page.
  pendingEmail_ = std::move(parsed->email);
  const int linkNumber = ++connectLinksHandled_;
  // A later link takes over the question an earlier one still asks:
  // answering the stale one would switch the desk to the older server.
  if (auto earlier = std::exchange(connectQuestion_, std::nullopt))
    desktop_.alerts.dismiss(earlier->alert);
  // A link that arrives with the app's start replaces the first-run panel
  // waiting to open: every path below asks the user something itself.
  const bool replacedFirstRunPanel = std::exchange(firstRunPanelScheduled_, false);

  const std::string server = trimWhitespaceAndLineBreaks(parsed->server);
  if (server.empty()) {
    showConnectPanel(!server_.storedServer());
    return;
  }
  const auto address = normalizeServerAddress(server);
  if (!address) {
    desktop_.alerts.runModal(
        messageAlert("Could not connect", "That setup link does not contain a usable address."),
        lifetime_.guard(
            [this](const AlertResponse&) { showConnectPanel(!server_.storedServer()); }));
    return;
  }

  desktop_.application.activateIgnoringOtherApps();
  if (server_.storedServer() == address->base.absoluteString()) {
    closeAddressPanels();
    loadHome_();
    return;
  }
  if (server_.isLocked()) {
    // The e-mail belongs to the other server's sign-in.
    pendingEmail_.reset();
    desktop_.alerts.runModal(
        messageAlert("Setup link not used",
                     "This computer's administrator has set Velmora to use " +
                         server_.storedServer().value_or("") + " only, so it cannot switch to " +
                         address->hostAndPort +
                         ". Ask your administrator if this desk should use another server."),
        [](const AlertResponse&) {});
    return;
  }
  Alert confirmation = messageAlert(
      "Connect to " + address->hostAndPort + "?",
      "This computer will use " + address->base.absoluteString() +
          " and you will sign in there.\n\n"
          "Only continue if that is your company's own address \u2014 the one you already use in "
          "a browser.",
      {"Connect", "Cancel"});
  confirmation.style = Alert::Style::informational;
  connectQuestion_ = ConnectQuestion{linkNumber, 0};
  const AlertId asked = desktop_.alerts.runModal(
      confirmation, lifetime_.guard([this, address = *address, replacedFirstRunPanel,
                                     linkNumber](const AlertResponse& answer) {
        // A dismissed alert never answers; this keeps an answer that is
        // already on its way from acting for a link a later one replaced.
        if (!connectQuestion_ || connectQuestion_->link != linkNumber)
          return;
        connectQuestion_.reset();
        if (answer.code == alertFirstButtonReturn) {
          verifyAndAdopt(address, false);
          return;
        }
        // The e-mail belongs with the address the user turned down; the
        // next sign-in page is the stored server's, where an address of
        // the link's choosing has no place.
        pendingEmail_.reset();
        if (replacedFirstRunPanel && !server_.storedServer()) {
          // Declined on a first start: without the panel the user would be
          // left with an empty window and no way in.
          showConnectPanel(true);
        }
      }));
  if (connectQuestion_ && connectQuestion_->link == linkNumber)
    connectQuestion_->alert = asked;
}

} // namespace velmora
