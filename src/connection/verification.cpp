#include "connection/connection_alerts.hpp"
#include "connection/connection_steps.hpp"
#include "connection/platform_answers.hpp"

namespace velmora {
namespace {

constexpr std::chrono::seconds probeTimeout{12};

Alert couldNotConnect(std::string informativeText) {
  return messageAlert("Could not connect", std::move(informativeText));
}

// A server written with plain http that only speaks it fails over https
// with a bare TLS or refusal message; naming the address tried tells the
// user why an address they typed correctly did not answer.
std::string unreachableReason(const std::string& host, const Url& base, bool raisedToHttps,
                              const std::string& reason) {
  std::string text = "Could not reach " + host + ": " + reason;
  if (raisedToHttps)
    text += " (tried " + base.absoluteString() + "; the server did not answer over https)";
  return text;
}

} // namespace

// Both probes complete on the main thread (the HTTP client's contract), so
// each completion decides and acts directly. No attempt cancels or replaces
// another: two attempts in flight each end in their own outcome.

void ConnectionSteps::verifyAndAdopt(const ServerAddress& address, bool firstRun) {
  const Url& base = address.base;
  const std::string& host = address.host;
  HttpRequest request{.url = base.appendingPathComponent("api/v1/app-info"),
                      .headers = {{"Accept", "application/json"}},
                      .timeout = probeTimeout};
  desktop_.http.get(request, lifetime_.guard([this, base, host, firstRun,
                                              raised = address.raisedToHttps](
                                                 const HttpResponse& response) {
    const VerificationVerdict verdict = judgeVerificationAnswer(response);
    switch (verdict.outcome) {
    case VerificationOutcome::unreachable:
      showFailureThenPanel(couldNotConnect(unreachableReason(host, base, raised, verdict.text)),
                           firstRun);
      return;
    case VerificationOutcome::adopt:
      adoptServer(base, firstRun, [this, base, company = verdict.text] {
        desktop_.alerts.runModal(messageAlert("Connected to " + company,
                                              "This computer will use " + base.absoluteString() +
                                                  " from now on. Change it any time in Settings."),
                                 lifetime_.guard([this](const AlertResponse&) { loadHome_(); }));
      });
      return;
    case VerificationOutcome::probeLegacy:
      probeLegacy(base, host, firstRun);
      return;
    }
  }));
}

void ConnectionSteps::probeLegacy(const Url& base, const std::string& host, bool firstRun) {
  desktop_.http.get(signInPageProbe(base), lifetime_.guard([this, base, host, firstRun](
                                                               const HttpResponse& response) {
    if (!isLegacySignInPage(response)) {
      showFailureThenPanel(
          couldNotConnect(host +
                          " answered, but it is not this towing platform. Check the address."),
          firstRun);
      return;
    }
    const Alert confirmation = messageAlert(
        "Found the platform at " + host,
        "This install is an older version without the verification endpoint, so it could not be "
        "fully verified. Connect anyway?",
        {"Connect", "Cancel"});
    desktop_.alerts.runModal(confirmation,
                             lifetime_.guard([this, base, firstRun](const AlertResponse& answer) {
                               if (answer.code != alertFirstButtonReturn) {
                                 showConnectPanel(firstRun);
                                 return;
                               }
                               adoptServer(base, firstRun, loadHome_);
                             }));
  }));
}

void ConnectionSteps::adoptServer(const Url& base, bool firstRun,
                                  const std::function<void()>& adopted) {
  if (server_.store(base)) {
    // A panel still open would offer the old address and could overwrite
    // the one just stored.
    closeAddressPanels();
    adopted();
    return;
  }
  // Announcing the connection now would be false: the next start would not
  // know the address. Say so, and let the user try again.
  showFailureThenPanel(
      messageAlert("Could not save the address",
                   base.absoluteString() +
                       " is the platform, but Velmora could not write it to its settings file, so "
                       "nothing has changed. Make sure the settings folder can be written to, "
                       "then try again."),
      firstRun);
}

void ConnectionSteps::showFailureThenPanel(const Alert& alert, bool firstRun) {
  desktop_.alerts.runModal(alert, lifetime_.guard([this, firstRun](const AlertResponse&) {
    showConnectPanel(firstRun);
  }));
}

} // namespace velmora
