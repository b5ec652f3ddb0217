#include "connection/connection_alerts.hpp"
#include "connection/platform_answers.hpp"
#include "window/browser_window_controller.hpp"

namespace velmora {
namespace {

constexpr std::chrono::seconds probeTimeout{12};

Alert couldNotConnect(std::string informativeText) {
  return messageAlert("Could not connect", std::move(informativeText));
}

} // namespace

// Both probes complete on the main thread (the HTTP client's contract), so
// each completion decides and acts directly. Every completion checks that
// the controller still exists, and no attempt cancels or replaces another:
// two attempts in flight each end in their own outcome.

void BrowserWindowController::verifyAndAdopt(const Url& base, const std::string& host,
                                             bool firstRun) {
  HttpRequest request{.url = base.appendingPathComponent("api/v1/app-info"),
                      .headers = {{"Accept", "application/json"}},
                      .timeout = probeTimeout};
  desktop.http.get(request, [this, alive = std::weak_ptr<bool>(alive), base, host,
                             firstRun](const HttpResponse& response) {
    if (!alive.lock())
      return;
    const VerificationVerdict verdict = judgeVerificationAnswer(response);
    switch (verdict.outcome) {
    case VerificationOutcome::unreachable:
      showFailureThenPanel(couldNotConnect("Could not reach " + host + ": " + verdict.text),
                           firstRun);
      return;
    case VerificationOutcome::adopt:
      adoptServer(base, firstRun, [this, base, company = verdict.text] {
        desktop.alerts.runModal(
            messageAlert("Connected to " + company,
                         "This computer will use " + base.absoluteString() +
                             " from now on. Change it any time in Settings."),
            [this, alive = std::weak_ptr<bool>(this->alive)](const AlertResponse&) {
              if (alive.lock())
                loadHome();
            });
      });
      return;
    case VerificationOutcome::probeLegacy:
      probeLegacy(base, host, firstRun);
      return;
    }
  });
}

void BrowserWindowController::probeLegacy(const Url& base, const std::string& host, bool firstRun) {
  HttpRequest request{.url = base.appendingPathComponent("login"),
                      .headers = {{"Accept", "text/html"}},
                      .timeout = probeTimeout};
  desktop.http.get(request, [this, alive = std::weak_ptr<bool>(alive), base, host,
                             firstRun](const HttpResponse& response) {
    if (!alive.lock())
      return;
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
    desktop.alerts.runModal(confirmation,
                            [this, alive, base, firstRun](const AlertResponse& answer) {
                              if (!alive.lock())
                                return;
                              if (answer.code != alertFirstButtonReturn) {
                                showConnectPanel(firstRun);
                                return;
                              }
                              adoptServer(base, firstRun, [this] { loadHome(); });
                            });
  });
}

void BrowserWindowController::adoptServer(const Url& base, bool firstRun,
                                          const std::function<void()>& adopted) {
  if (desktop.settings.setString("serverURL", base.absoluteString())) {
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

void BrowserWindowController::showFailureThenPanel(const Alert& alert, bool firstRun) {
  desktop.alerts.runModal(
      alert, [this, alive = std::weak_ptr<bool>(alive), firstRun](const AlertResponse&) {
        if (alive.lock())
          showConnectPanel(firstRun);
      });
}

} // namespace velmora
