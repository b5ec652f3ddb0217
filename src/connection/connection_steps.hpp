// The steps that connect the window to a platform: the address panel in its
// first-run and ordinary forms, the verification of an address before it is
// stored, and connect links with the e-mail they carry for the sign-in page.
// Nothing is stored until the platform has proved itself, and every failed
// step brings the same form of the panel back.
#pragma once

#include "connection/server_address.hpp"
#include "connection/server_address_text.hpp"
#include "platform/desktop.hpp"
#include "platform/lifetime.hpp"

#include <functional>
#include <optional>
#include <set>
#include <string>

namespace velmora {

class ConnectionSteps {
public:
  // `loadHome` opens the platform once an address is settled.
  ConnectionSteps(Desktop& desktop, ServerAddressSetting& server, std::function<void()> loadHome);

  // The address panel, opened once the clipboard has been read. The first-run
  // form offers Quit instead of Cancel. An address the administrator locked
  // is shown without a way to change it.
  void showConnectPanel(bool firstRun);
  // Opens the first-run panel once the work under way is done, unless a
  // connect link takes over the connection step before then.
  void scheduleFirstRunPanel();
  // Asks the platform's verification endpoint at the address, and the
  // sign-in page of an older install after that; adopts only what proves
  // itself.
  void verifyAndAdopt(const ServerAddress& address, bool firstRun);
  // A haulvane://connect link from outside: untrusted, so an address that
  // differs from the stored one is adopted only after the user confirms it
  // and the platform proves itself. Its e-mail is kept for the sign-in page,
  // unless the user declines the link's address. While the administrator's
  // address is locked in, a link to another server is refused with a
  // message, and one to the same server still fills in the e-mail.
  void handleConnectLink(const Url& link);

  // The e-mail a link left for the sign-in page; none once used.
  [[nodiscard]] const std::optional<std::string>& pendingEmail() const { return pendingEmail_; }
  // Gives the e-mail and forgets it, so it is filled in at most once.
  [[nodiscard]] std::optional<std::string> takePendingEmail() {
    return std::exchange(pendingEmail_, std::nullopt);
  }
  void setPendingEmail(std::optional<std::string> email) { pendingEmail_ = std::move(email); }

private:
  void showLockedAddress();
  void probeLegacy(const Url& base, const std::string& host, bool firstRun);
  // Stores `base` and then runs `adopted`; when the store cannot be written,
  // tells the user and opens the address panel instead.
  void adoptServer(const Url& base, bool firstRun, const std::function<void()>& adopted);
  // Shows a failed step, then the address panel in the same form.
  void showFailureThenPanel(const Alert& alert, bool firstRun);
  // Takes away every address panel on show, unanswered, and any still to
  // open: an address has just been settled, and an old panel's Connect or
  // Quit must not undo it.
  void closeAddressPanels();

  Desktop& desktop_;
  ServerAddressSetting& server_;
  std::function<void()> loadHome_;
  std::optional<std::string> pendingEmail_;
  // How many connect links were handled, and the "Connect to …?" question
  // on show with the link that asked it: a later link takes it away.
  int connectLinksHandled_ = 0;
  struct ConnectQuestion {
    int link;
    AlertId alert;
  };
  std::optional<ConnectQuestion> connectQuestion_;
  // Set while the first-run panel waits on the main queue. A connect link
  // handled meanwhile takes over the connection step and clears it, so the
  // panel does not open on top of the link's own dialogs.
  bool firstRunPanelScheduled_ = false;
  // The address panels on show, and how often an address was settled, which
  // tells a panel still waiting for the clipboard that it is too late.
  std::set<AlertId> addressPanels_;
  int addressesSettled_ = 0;
  Lifetime lifetime_;
};

} // namespace velmora
