#include "navigation/page_recovery.hpp"

#include "connection/platform_answers.hpp"

#include <algorithm>
#include <array>

namespace velmora {

CrashResponse respondToCrash(std::span<const TimePoint> earlierEnds, TimePoint now) {
  const auto recent = std::ranges::count_if(
      earlierEnds, [&](TimePoint end) { return end <= now && now - end < crashWindow; });
  return recent + 1 >= crashesBeforeGivingUp ? CrashResponse::giveUp : CrashResponse::reload;
}

std::chrono::seconds retryDelay(int attempt) {
  static constexpr std::array<int, 8> early{2, 3, 5, 8, 12, 20, 30, 45};
  if (attempt < 1)
    attempt = 1;
  const auto index = static_cast<std::size_t>(attempt - 1);
  return std::chrono::seconds(index < early.size() ? early[index] : 60);
}

bool serverAnswers(const HttpResponse& response) {
  return response.status && *response.status < 500;
}

PageRecovery::PageRecovery(MainQueue& queue, HttpClient& http, WebView& view,
                           ServerAddressSetting& server, Actions actions)
    : queue_(queue), http_(http), view_(view), server_(server), actions_(std::move(actions)) {}

PageRecovery::~PageRecovery() {
  cancel(loadTimeout_);
  cancel(hangTimeout_);
  cancel(nextCheck_);
}

void PageRecovery::cancel(std::optional<DelayedTaskId>& task) {
  if (task)
    queue_.cancel(*std::exchange(task, std::nullopt));
}

void PageRecovery::loadStarted() {
  cancel(loadTimeout_);
  loadTimeout_ = queue_.after(loadResponseTimeout, [this] {
    loadTimeout_.reset();
    // Stopped first: the engine reports the stop as a cancellation, which
    // shows nothing, and the error screen then says what happened.
    view_.stopLoading();
    actions_.showErrorScreen(ErrorScreen{ErrorScreen::Kind::timedOut, {}});
  });
}

void PageRecovery::loadAnswered() {
  cancel(loadTimeout_);
}

void PageRecovery::pageShown() {
  cancel(loadTimeout_);
  checks_ = 0;
}

void PageRecovery::webProcessEnded() {
  cancel(hangTimeout_);
  cancel(loadTimeout_);
  const TimePoint now = queue_.now();
  const CrashResponse response = respondToCrash(recentEnds_, now);
  recentEnds_.push_back(now);
  if (recentEnds_.size() > static_cast<std::size_t>(crashesBeforeGivingUp))
    recentEnds_.erase(recentEnds_.begin());
  if (response == CrashResponse::reload) {
    actions_.reloadPage();
    return;
  }
  actions_.showErrorScreen(ErrorScreen{ErrorScreen::Kind::pageStopped, {}});
}

void PageRecovery::responsivenessChanged(bool responsive) {
  cancel(hangTimeout_);
  if (responsive)
    return;
  hangTimeout_ = queue_.after(unresponsiveLimit, [this] {
    hangTimeout_.reset();
    // The engine then reports the end, and the page is recovered from there.
    view_.terminateWebProcess();
  });
}

void PageRecovery::errorScreenShown(bool retriesOnItsOwn) {
  cancel(nextCheck_);
  retrying_ = retriesOnItsOwn;
  if (retrying_)
    scheduleCheck();
}

void PageRecovery::errorScreenRemoved() {
  retrying_ = false;
  cancel(nextCheck_);
}

void PageRecovery::retried() {
  recentEnds_.clear();
}

void PageRecovery::checkServerNow() {
  if (retrying_)
    checkServer();
}

void PageRecovery::scheduleCheck() {
  cancel(nextCheck_);
  nextCheck_ = queue_.after(retryDelay(checks_ + 1), [this] {
    nextCheck_.reset();
    checkServer();
  });
}

void PageRecovery::checkServer() {
  if (checking_)
    return;
  cancel(nextCheck_);
  checking_ = true;
  ++checks_;
  http_.get(signInPageProbe(server_.serverURL()),
            lifetime_.guard([this](const HttpResponse& response) {
              checking_ = false;
              if (!retrying_)
                return; // the screen came down meanwhile
              if (serverAnswers(response)) {
                actions_.tryAgain();
                return;
              }
              scheduleCheck();
            }));
}

} // namespace velmora
