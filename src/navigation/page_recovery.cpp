#include "navigation/page_recovery.hpp"

#include "connection/platform_answers.hpp"
#include "navigation/navigation_policy.hpp"
#include "platform/log.hpp"

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

int secondsUntilRestart(TimePoint since, TimePoint now) {
  const auto left = since + unresponsiveLimit - now;
  if (left <= TimePoint::duration::zero())
    return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::seconds>(left).count());
}

std::chrono::milliseconds nextCheckDelay(int attempt, std::optional<TimePoint> quietUntil,
                                         TimePoint now) {
  const std::chrono::milliseconds backOff = retryDelay(attempt);
  if (!quietUntil || *quietUntil <= now)
    return backOff;
  return std::min(backOff, std::chrono::ceil<std::chrono::milliseconds>(*quietUntil - now));
}

bool mayReconnect(bool serverAnswered, std::optional<TimePoint> quietUntil, TimePoint now) {
  return serverAnswered && (!quietUntil || *quietUntil <= now);
}

std::optional<Url> pageToRestore(const std::optional<Url>& page, const Url& server) {
  if (page && isPlatformOrigin(page, server) && !page->hasRootPath())
    return page;
  return std::nullopt;
}

PageRecovery::PageRecovery(MainQueue& queue, HttpClient& http, WebView& view,
                           ServerAddressSetting& server, Actions actions)
    : queue_(queue), http_(http), view_(view), server_(server), actions_(std::move(actions)) {}

PageRecovery::~PageRecovery() {
  cancel(loadTimeout_);
  cancel(hangTimeout_);
  cancel(hangTick_);
  cancel(nextCheck_);
  cancel(progressDue_);
}

void PageRecovery::cancel(std::optional<DelayedTaskId>& task) {
  if (task)
    queue_.cancel(*std::exchange(task, std::nullopt));
}

void PageRecovery::show(std::optional<PageNotice> notice) {
  if (notice == notice_)
    return;
  notice_ = notice;
  actions_.showNotice(notice_);
}

void PageRecovery::loadStarted() {
  cancel(loadTimeout_);
  loadTimeout_ = queue_.after(loadResponseTimeout, [this] {
    loadTimeout_.reset();
    // The address is read before the stop, while it is still the one that
    // gets no answer.
    const auto page = view_.url();
    // Stopped first: the engine reports the stop as a cancellation, which
    // shows nothing, and the error screen then says what happened.
    view_.stopLoading();
    actions_.showErrorScreen(ErrorScreen{ErrorScreen::Kind::timedOut, {}, page});
  });
  // The engine's first estimate for a load may come before its start; one
  // left at 1 is the last load's end.
  if (progress_ >= 1.0)
    progress_ = 0;
  // A load that supersedes one whose bar shows keeps the bar.
  if (progressShown_) {
    actions_.showProgress(progress_);
    return;
  }
  cancel(progressDue_);
  progressDue_ = queue_.after(progressDelay, [this] {
    progressDue_.reset();
    progressShown_ = true;
    actions_.showProgress(progress_);
  });
}

void PageRecovery::loadAnswered() {
  cancel(loadTimeout_);
}

void PageRecovery::pageShown() {
  cancel(loadTimeout_);
  endProgress();
  checks_ = 0;
  if (std::exchange(reloadedAfterEnd_, false))
    show(PageNotice{PageNotice::Kind::reloaded});
}

void PageRecovery::loadFailed() {
  endProgress();
}

void PageRecovery::progressChanged(double progress) {
  progress_ = std::clamp(progress, 0.0, 1.0);
  // The engine's estimate reaches 1 however the load ends, a stop included.
  if (progress_ >= 1.0) {
    endProgress();
    return;
  }
  if (progressShown_)
    actions_.showProgress(progress_);
}

void PageRecovery::endProgress() {
  cancel(progressDue_);
  if (std::exchange(progressShown_, false))
    actions_.showProgress(std::nullopt);
}

void PageRecovery::webProcessEnded() {
  endHang();
  cancel(loadTimeout_);
  endProgress();
  reloadedAfterEnd_ = true;
  if (notice_ && notice_->kind == PageNotice::Kind::reloaded)
    show(std::nullopt);
  const TimePoint now = queue_.now();
  const CrashResponse response = respondToCrash(recentEnds_, now);
  recentEnds_.push_back(now);
  if (recentEnds_.size() > static_cast<std::size_t>(crashesBeforeGivingUp))
    recentEnds_.erase(recentEnds_.begin());
  if (response == CrashResponse::reload) {
    log::debug(log::Module::recovery, "the page's process ended; reloading the page");
    actions_.reloadPage();
    return;
  }
  log::debug(log::Module::recovery,
             "the page's process ended too often in a short time; showing the error screen "
             "and resting before the next try");
  actions_.showErrorScreen(ErrorScreen{ErrorScreen::Kind::pageStopped, {}, view_.url()});
}

void PageRecovery::responsivenessChanged(bool responsive) {
  if (responsive) {
    endHang();
    return;
  }
  if (hungSince_)
    return;
  hungSince_ = queue_.now();
  log::debug(log::Module::recovery, "the page stopped answering; counting down to a restart");
  hangTimeout_ = queue_.after(unresponsiveLimit, [this] {
    hangTimeout_.reset();
    log::debug(log::Module::recovery, "the page did not recover in time; ending its process");
    // The engine then reports the end, and the page is recovered from there.
    view_.terminateWebProcess();
  });
  tickHangNotice();
}

void PageRecovery::tickHangNotice() {
  const int left = secondsUntilRestart(*hungSince_, queue_.now());
  show(PageNotice{PageNotice::Kind::unresponsive, std::max(left, 1)});
  // The next whole second of the countdown.
  const auto next = *hungSince_ + unresponsiveLimit - std::chrono::seconds(left - 1);
  hangTick_ =
      queue_.after(std::chrono::ceil<std::chrono::milliseconds>(next - queue_.now()), [this] {
        hangTick_.reset();
        if (hungSince_ && secondsUntilRestart(*hungSince_, queue_.now()) > 0)
          tickHangNotice();
      });
}

void PageRecovery::endHang() {
  cancel(hangTimeout_);
  cancel(hangTick_);
  hungSince_.reset();
  if (notice_ && notice_->kind == PageNotice::Kind::unresponsive)
    show(std::nullopt);
}

void PageRecovery::restartNow() {
  if (!hungSince_)
    return;
  endHang();
  log::debug(log::Module::recovery, "Restart Now: ending the hung page's process");
  view_.terminateWebProcess();
}

void PageRecovery::noticeDismissed() {
  if (notice_ && notice_->kind == PageNotice::Kind::reloaded)
    show(std::nullopt);
}

void PageRecovery::errorScreenShown(ErrorScreen::Kind kind) {
  cancel(nextCheck_);
  endProgress();
  // The screen covers the page the note was about.
  noticeDismissed();
  retrying_ = true;
  quietUntil_.reset();
  if (kind == ErrorScreen::Kind::pageStopped && !recentEnds_.empty())
    quietUntil_ = recentEnds_.back() + crashWindow;
  scheduleCheck();
}

void PageRecovery::errorScreenRemoved() {
  retrying_ = false;
  quietUntil_.reset();
  cancel(nextCheck_);
}

void PageRecovery::copyShown() {
  retrying_ = true;
  if (!nextCheck_ && !checking_)
    scheduleCheck();
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
  nextCheck_ = queue_.after(nextCheckDelay(checks_ + 1, quietUntil_, queue_.now()), [this] {
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
              if (mayReconnect(serverAnswers(response), quietUntil_, queue_.now())) {
                log::debug(log::Module::recovery, "the server answers again; reconnecting");
                actions_.reconnect();
                return;
              }
              scheduleCheck();
            }));
}

} // namespace velmora
