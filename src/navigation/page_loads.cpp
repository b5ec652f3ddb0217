#include "navigation/page_loads.hpp"

#include "navigation/navigation_policy.hpp"

#include <boost/json.hpp>

namespace velmora {
namespace {

constexpr std::string_view overlayAdvice =
    "\n\nCheck your internet connection. If you are online and this persists, the server itself "
    "may be down \u2014 dispatch by phone until it returns.";

constexpr std::string_view unreachableTitle = "Can\u2019t reach the dispatch server";

// The title and message of each kind of error screen.
std::pair<std::string, std::string> errorScreenTexts(const ErrorScreen& screen) {
  switch (screen.kind) {
  case ErrorScreen::Kind::unreachable:
    return {std::string(unreachableTitle), screen.description + std::string(overlayAdvice)};
  case ErrorScreen::Kind::timedOut:
    return {std::string(unreachableTitle),
            "The server took the request but sent no answer within " +
                std::to_string(loadResponseTimeout.count()) + " seconds." +
                std::string(overlayAdvice)};
  case ErrorScreen::Kind::pageStopped:
    break;
  }
  static_assert(crashesBeforeGivingUp == 3 && crashWindow == std::chrono::minutes(1),
                "the message says how many times and how long");
  return {"This page stopped working",
          "The page ended unexpectedly three times within a minute, so Velmora is letting it "
          "rest. Your server address, sign-in and settings are unchanged."};
}

// The line under the buttons: how the screen goes away by itself.
std::string errorScreenFootnote(ErrorScreen::Kind kind) {
  if (kind == ErrorScreen::Kind::pageStopped)
    return "Velmora loads the page again by itself once a minute has passed without it ending.";
  return "Velmora keeps checking the server and reconnects by itself as soon as it answers.";
}

// The address as a one-element JSON array, which is also a script array
// literal: quotes, backslashes, line breaks and non-ASCII characters arrive
// in the page exactly as they were. Bytes that are not UTF-8 cannot be put
// in a script, and an empty address is put in instead.
std::string encodedForScript(const std::string& email) {
  std::string encoded = boost::json::serialize(boost::json::array{boost::json::string(email)});
  boost::system::error_code error;
  (void)boost::json::parse(encoded, error);
  if (error)
    return R"([""])";
  return encoded;
}

// Fills the sign-in form's empty e-mail field, lets the page's own input
// handling see the change, and moves on to the password. A value the user
// typed or the browser filled in is never replaced.
std::string prefillScript(const std::string& encodedEmail) {
  return "(function () {"
         "var field = document.querySelector('input[name=\"email\"]');"
         "if (!field || field.value) return;"
         "field.value = " +
         encodedEmail +
         "[0];"
         "field.dispatchEvent(new Event('input', { bubbles: true }));"
         "var password = document.querySelector('input[name=\"password\"]');"
         "if (password) password.focus();"
         "})();";
}

} // namespace

PageLoads::PageLoads(Desktop& desktop, Window& window, WebView& webView,
                     ServerAddressSetting& server, ConnectionSteps& connection,
                     std::function<void()> loadHome)
    : desktop_(desktop), window_(window), webView_(webView), server_(server),
      connection_(connection), loadHome_(std::move(loadHome)),
      recovery_(
          desktop.mainQueue, desktop.http, webView, server,
          PageRecovery::Actions{
              .reloadPage = [this] { reloadAfterCrash(); },
              .showErrorScreen = [this](const ErrorScreen& screen) { showErrorScreen(screen); },
              .reconnect = [this] { reconnect(); },
              .showNotice = [this](const std::optional<PageNotice>& notice) { showNotice(notice); },
              .showProgress =
                  [this](std::optional<double> progress) { window_.showLoadProgress(progress); },
          }),
      copies_(desktop.mainQueue, desktop.lastCopies, webView, server) {
  desktop_.connectivity.setObserver(this);
}

PageLoads::~PageLoads() {
  desktop_.connectivity.setObserver(nullptr);
}

void PageLoads::removeErrorOverlay() {
  if (!errorOverlay_)
    return;
  errorOverlay_->removeFromSuperview();
  recovery_.errorScreenRemoved();
  errorOverlay_.reset();
  // Print and Find come back with the page.
  desktop_.application.invalidateMenuItems();
}

void PageLoads::didStartProvisionalNavigation() {
  removeErrorOverlay();
  recovery_.loadStarted();
  copies_.loadStarted();
  // The address is the one being loaded from the start of the load on.
  if (isCopyAddress(webView_.url())) {
    copyMode_ = true;
    recovery_.copyShown();
  } else if (std::exchange(copyMode_, false)) {
    window_.showNotice(std::nullopt);
    recovery_.errorScreenRemoved();
  }
}

void PageLoads::didCommitNavigation() {
  recovery_.loadAnswered();
}

void PageLoads::didFinishNavigation() {
  recovery_.pageShown();
  if (copyMode_) {
    const auto copy = copyOnShow();
    window_.showNotice(NoticeDescription{
        .text =
            (copy ? "Last copy from " + LastCopies::timeLabel(*copy) : std::string("Last copy")) +
            ". Read only. Velmora reconnects by itself.",
        .buttons = {Button{
            .title = "Try Again", .keyEquivalent = "", .action = [this] { loadLiveAgain(); }}},
    });
    return;
  }
  copies_.pageFinished();
  if (!connection_.pendingEmail() || connection_.pendingEmail()->empty())
    return;
  const auto current = webView_.url();
  if (!current || !isPlatformOrigin(current, server_.serverURL()))
    return;
  if (!current->path().ends_with("/login"))
    return;
  // Taken before the script runs, so the address is used at most once.
  const std::string email = connection_.takePendingEmail().value_or("");
  webView_.evaluateJavaScript(prefillScript(encodedForScript(email)));
}

void PageLoads::didFailProvisionalNavigation(const WebError& error) {
  recovery_.loadAnswered();
  // A load that was cancelled, superseded or turned into a download did not
  // fail: the server was reached or never asked. Nor did one for an address
  // no frame can show, which a script may start on its own (a mailto: link
  // followed without a click): the page on show stays.
  if (error.code == WebError::cancelled ||
      error.code == WebError::frameLoadInterruptedByPolicyChange ||
      error.code == WebError::cannotShowURL)
    return;
  recovery_.loadFailed();
  showErrorScreen(
      ErrorScreen{ErrorScreen::Kind::unreachable, error.localizedDescription, error.failingURL});
}

void PageLoads::estimatedProgressDidChange(double progress) {
  recovery_.progressChanged(progress);
}

void PageLoads::webProcessDidTerminate(WebProcessTermination) {
  recovery_.webProcessEnded();
}

void PageLoads::webProcessResponsivenessDidChange(bool responsive) {
  recovery_.responsivenessChanged(responsive);
}

void PageLoads::backForwardListDidChange() {
  desktop_.application.invalidateMenuItems();
}

void PageLoads::checkServerNow() {
  recovery_.checkServerNow();
}

void PageLoads::reloadAfterCrash() {
  // A copy that was on show comes back as it was; the server may well be
  // down still.
  if (copyMode_ && isCopyAddress(webView_.url())) {
    webView_.loadRequest(UrlRequest{.url = *webView_.url()});
    return;
  }
  if (const auto page = pageToRestore(webView_.url(), server_.serverURL())) {
    webView_.loadRequest(UrlRequest{.url = *page});
    return;
  }
  loadHome_();
}

void PageLoads::reconnect() {
  // A copy on show stands for its own live page.
  std::optional<Url> failed = failedPage_;
  if (copyMode_ && !errorOverlay_) {
    if (const auto copy = copyOnShow())
      failed = Url::parse(copy->address);
  }
  const auto page = pageToRestore(failed, server_.serverURL());
  removeErrorOverlay();
  if (page) {
    webView_.loadRequest(UrlRequest{.url = *page});
    return;
  }
  loadHome_();
}

void PageLoads::showNotice(const std::optional<PageNotice>& notice) {
  if (!notice) {
    window_.showNotice(std::nullopt);
    return;
  }
  if (notice->kind == PageNotice::Kind::unresponsive) {
    window_.showNotice(NoticeDescription{
        .text = "The page is not responding. Velmora will restart it in " +
                std::to_string(notice->secondsLeft) + " s.",
        .buttons = {Button{.title = "Restart Now",
                           .keyEquivalent = "",
                           .action = [this] { recovery_.restartNow(); }}},
    });
    return;
  }
  window_.showNotice(NoticeDescription{
      .text = "The page stopped and was reloaded. Anything typed since your last save may need to "
              "be entered again.",
      .buttons = {Button{.title = "Dismiss",
                         .keyEquivalent = "",
                         .action = [this] { recovery_.noticeDismissed(); }}},
  });
}

void PageLoads::showErrorScreen(const ErrorScreen& screen) {
  removeErrorOverlay();
  failedPage_ = screen.page;
  lastScreen_ = screen;
  auto [title, message] = errorScreenTexts(screen);
  std::vector<Button> buttons{
      Button{
          .title = "Try Again", .keyEquivalent = "\r", .action = [this] { reloadFromOverlay(); }},
      Button{.title = "Change Server\u2026", .keyEquivalent = "", .action = [this] {
               changeServerFromOverlay();
             }}};
  std::string footnote = errorScreenFootnote(screen.kind);
  // A page that keeps stopping is not the server being down.
  if (screen.kind != ErrorScreen::Kind::pageStopped) {
    if (const auto copy = copies_.offer(screen.page)) {
      buttons.push_back(
          Button{.title = "Show Last Copy",
                 .keyEquivalent = "",
                 .action = [this, address = copyAddress(copy->path)] { showLastCopy(address); }});
      footnote = "Last copy from " + LastCopies::timeLabel(*copy) + ".\n" + footnote;
    }
  }
  OverlayDescription overlay{.title = std::move(title),
                             .message = std::move(message),
                             .buttons = std::move(buttons),
                             .footnote = std::move(footnote)};
  errorOverlay_ = window_.addOverlay(overlay);
  desktop_.application.invalidateMenuItems();
  recovery_.errorScreenShown(screen.kind);
}

void PageLoads::reloadFromOverlay() {
  removeErrorOverlay();
  recovery_.retried();
  loadHome_();
}

void PageLoads::showLastCopy(Url address) {
  removeErrorOverlay();
  copyMode_ = true;
  recovery_.copyShown();
  webView_.loadRequest(UrlRequest{.url = address});
}

void PageLoads::showNoCopyOf(const Url& page) {
  showErrorScreen(ErrorScreen{ErrorScreen::Kind::unreachable,
                              "There is no last copy of this page to show while the server is "
                              "down.",
                              page});
}

std::optional<LastCopy> PageLoads::copyOnShow() {
  return copyMode_ ? copies_.copyAt(webView_.url()) : std::nullopt;
}

void PageLoads::loadLiveAgain() {
  const auto path = pathOfCopyAddress(webView_.url());
  const auto copy = copyOnShow();
  std::optional<Url> live = copy ? Url::parse(copy->address) : std::nullopt;
  if (!live && path)
    live = server_.serverURL().appendingPathComponent(path->substr(1));
  recovery_.retried();
  removeErrorOverlay();
  if (const auto page = pageToRestore(live, server_.serverURL())) {
    webView_.loadRequest(UrlRequest{.url = *page});
    return;
  }
  loadHome_();
}

void PageLoads::forgetLastCopies() {
  copies_.forgetAll();
  // Nothing of a forgotten copy stays in sight: the one on show makes way
  // for its live page, and an error screen no longer offers one.
  if (copyMode_ && !errorOverlay_) {
    loadLiveAgain();
    return;
  }
  if (errorOverlay_)
    showErrorScreen(lastScreen_);
}

void PageLoads::changeServerFromOverlay() {
  removeErrorOverlay();
  connection_.showConnectPanel(false);
}

} // namespace velmora
