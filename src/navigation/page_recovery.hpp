// Keeps the window working through the faults nobody at the desk is watching
// for, and lets the desk see what is happening: the page's web process
// ending or hanging, a server that takes the request and never answers, and
// an outage that ends. A dead page is reloaded at once (unless it keeps
// dying, when it rests a minute first), a hung page shows how long it has
// before it is restarted, a slow load shows its progress, a silent load
// becomes the error screen, and while the error screen is up the server is
// asked quietly, over the application's own HTTP client, whether it answers
// again; when it does, the page that failed comes back.
#pragma once

#include "connection/server_address.hpp"
#include "platform/http_client.hpp"
#include "platform/lifetime.hpp"
#include "platform/main_queue.hpp"
#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

using TimePoint = MainQueue::Clock::time_point;

// How long a main-frame load may go without a response, counted from its
// start, before it is stopped and the error screen shows. What a browser
// allows, and what the sign-in request has always asked for.
inline constexpr std::chrono::seconds loadResponseTimeout{60};

// How long the web process may stay unresponsive before it is ended and the
// page reloaded. The engine reports a process unresponsive after about 3 s
// without an answer; 15 s more (the delay after which Chromium offers to end
// a hung page) lets a heavy but healthy page, a long report or a big table,
// finish its work, and still gives the desk its page back in under 20 s.
inline constexpr std::chrono::seconds unresponsiveLimit{15};

// A page that dies this many times within crashWindow stops being reloaded
// at once: it would only die again, and the error screen says so instead.
// It is loaded again once crashWindow has passed without another end.
inline constexpr int crashesBeforeGivingUp = 3;
inline constexpr std::chrono::seconds crashWindow{60};

enum class CrashResponse {
  reload, // load the page again at once
  giveUp, // show that the page stopped working, and let it rest a while
};

// How long a load runs before its progress shows: a quicker one would only
// make the bar flicker.
inline constexpr std::chrono::milliseconds progressDelay{300};

// The answer to the web process ending at `now`, after the earlier ends in
// `earlierEnds` (any order; those older than crashWindow do not count).
[[nodiscard]] CrashResponse respondToCrash(std::span<const TimePoint> earlierEnds, TimePoint now);

// The wait before the error screen's `attempt`th quiet check of the server
// (1 for the first): seconds at first, so a short outage ends quickly, then
// growing to once a minute at most.
[[nodiscard]] std::chrono::seconds retryDelay(int attempt);

// Whether a quiet check found the server answering again: any HTTP response
// below 500. A 5xx from a gateway in front of a server still down is not yet
// the platform.
[[nodiscard]] bool serverAnswers(const HttpResponse& response);

// The seconds, rounded up, left before a page unresponsive since `since` is
// ended; 0 once unresponsiveLimit has passed.
[[nodiscard]] int secondsUntilRestart(TimePoint since, TimePoint now);

// The wait before the error screen's `attempt`th quiet check: retryDelay,
// brought forward to `quietUntil` when that comes sooner and is still ahead,
// so a page resting after its ends is not kept waiting past its minute.
[[nodiscard]] std::chrono::milliseconds
nextCheckDelay(int attempt, std::optional<TimePoint> quietUntil, TimePoint now);

// Whether a quiet check lets the error screen go: the server answered, and
// a page resting after its ends (`quietUntil`) has rested long enough.
[[nodiscard]] bool mayReconnect(bool serverAnswered, std::optional<TimePoint> quietUntil,
                                TimePoint now);

// The page to load again after the web process ended or the server came
// back: `page` when it is one of the platform's own pages. None (another
// site, the platform's public root page, nothing on show) means home.
[[nodiscard]] std::optional<Url> pageToRestore(const std::optional<Url>& page, const Url& server);

// What the error screen says: the server could not be reached (with the
// system's description), the server took the request but never answered, or
// the page itself kept stopping. Each checks the server on its own.
struct ErrorScreen {
  enum class Kind { unreachable, timedOut, pageStopped };
  Kind kind = Kind::unreachable;
  std::string description; // the system's words, for unreachable
  // The page that failed to load or kept stopping, where known: what comes
  // back when the server answers again.
  std::optional<Url> page{};
};

// A bar over the top of the page: the page is not responding and will be
// restarted in `secondsLeft`, or it stopped and was reloaded.
struct PageNotice {
  enum class Kind { unresponsive, reloaded };
  Kind kind = Kind::reloaded;
  int secondsLeft = 0;
  friend bool operator==(const PageNotice&, const PageNotice&) = default;
};

// Carries the decisions out for one web view. The window tells it what the
// page and the error screen do; it asks the window, through `Actions`, to
// reload, to show the error screen, and to do what Try Again does.
class PageRecovery {
public:
  struct Actions {
    std::function<void()> reloadPage; // the platform page on show, or home
    std::function<void(const ErrorScreen&)> showErrorScreen;
    // The server answers again: the error screen goes and its page loads.
    std::function<void()> reconnect;
    // The notice bar to show; none takes it away.
    std::function<void(const std::optional<PageNotice>&)> showNotice;
    // The load progress bar, 0 to 1; none takes it away.
    std::function<void(std::optional<double>)> showProgress;
  };
  PageRecovery(MainQueue& queue, HttpClient& http, WebView& view, ServerAddressSetting& server,
               Actions actions);
  ~PageRecovery();
  PageRecovery(const PageRecovery&) = delete;
  PageRecovery& operator=(const PageRecovery&) = delete;

  // The main frame's load events.
  void loadStarted();
  void loadAnswered(); // committed, failed or finished: the timeout is over
  void pageShown();    // a load finished: faults so far are behind us
  void loadFailed();   // a load failed for real (not cancelled)
  // The engine's estimate of the load's progress, 0 to 1.
  void progressChanged(double progress);
  // The web process.
  void webProcessEnded();
  void responsivenessChanged(bool responsive);
  // Restart Now on the unresponsive bar: the hung page is ended at once.
  void restartNow();
  // The notice bar was closed by the user.
  void noticeDismissed();
  // The error screen went up, or came down.
  void errorScreenShown(ErrorScreen::Kind kind);
  void errorScreenRemoved();
  // A last copy took the error screen's place: the quiet checks go on, and
  // reconnecting brings the live page back.
  void copyShown();
  // Try Again was done: a page that kept dying gets fresh chances.
  void retried();
  // A good moment to check at once whether the server answers: the network
  // came back, or the machine woke.
  void checkServerNow();

private:
  void cancel(std::optional<DelayedTaskId>& task);
  void scheduleCheck();
  void checkServer();
  void show(std::optional<PageNotice> notice);
  void tickHangNotice();
  void endHang();
  void endProgress();

  MainQueue& queue_;
  HttpClient& http_;
  WebView& view_;
  ServerAddressSetting& server_;
  Actions actions_;
  std::optional<DelayedTaskId> loadTimeout_;
  std::optional<DelayedTaskId> hangTimeout_;
  std::vector<TimePoint> recentEnds_; // the last few, oldest first
  // Since when the page has not responded, and the bar's next second.
  std::optional<TimePoint> hungSince_;
  std::optional<DelayedTaskId> hangTick_;
  std::optional<PageNotice> notice_; // the bar on show
  // The web process ended since a page last showed: the next page shown
  // says it was reloaded.
  bool reloadedAfterEnd_ = false;
  // The load under way: its progress, and whether its bar shows yet.
  std::optional<DelayedTaskId> progressDue_;
  bool progressShown_ = false;
  double progress_ = 0;
  // While the error screen is up (every kind checks on its own): the next
  // check, whether one is under way, and how many were made since a page
  // last showed. A page that kept stopping rests until `quietUntil_`.
  bool retrying_ = false;
  std::optional<TimePoint> quietUntil_;
  std::optional<DelayedTaskId> nextCheck_;
  bool checking_ = false;
  int checks_ = 0;
  Lifetime lifetime_;
};

} // namespace velmora
