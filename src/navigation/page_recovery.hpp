// Keeps the window working through the faults nobody at the desk is watching
// for: the page's web process ending or hanging, a server that takes the
// request and never answers, and an outage that ends. A dead page is
// reloaded at once (unless it keeps dying), a silent load becomes the error
// screen, and while the error screen is up the server is asked quietly,
// over the application's own HTTP client, whether it answers again.
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

// A page that dies this many times within crashWindow stops being reloaded:
// it would only die again, and the error screen says so instead.
inline constexpr int crashesBeforeGivingUp = 3;
inline constexpr std::chrono::seconds crashWindow{60};

enum class CrashResponse {
  reload, // load the page again at once
  giveUp, // show that the page stopped working, and wait for the user
};

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

// What the error screen says: the server could not be reached (with the
// system's description), the server took the request but never answered, or
// the page itself kept stopping. The first two retry on their own.
struct ErrorScreen {
  enum class Kind { unreachable, timedOut, pageStopped };
  Kind kind = Kind::unreachable;
  std::string description; // the system's words, for unreachable
};

// Carries the decisions out for one web view. The window tells it what the
// page and the error screen do; it asks the window, through `Actions`, to
// reload, to show the error screen, and to do what Try Again does.
class PageRecovery {
public:
  struct Actions {
    std::function<void()> reloadPage; // the platform page on show, or home
    std::function<void(const ErrorScreen&)> showErrorScreen;
    std::function<void()> tryAgain; // what the error screen's Try Again does
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
  // The web process.
  void webProcessEnded();
  void responsivenessChanged(bool responsive);
  // The error screen went up (retrying on its own or not), or came down.
  void errorScreenShown(bool retriesOnItsOwn);
  void errorScreenRemoved();
  // Try Again was done: a page that kept dying gets fresh chances.
  void retried();
  // A good moment to check at once whether the server answers: the network
  // came back, or the machine woke.
  void checkServerNow();

private:
  void cancel(std::optional<DelayedTaskId>& task);
  void scheduleCheck();
  void checkServer();

  MainQueue& queue_;
  HttpClient& http_;
  WebView& view_;
  ServerAddressSetting& server_;
  Actions actions_;
  std::optional<DelayedTaskId> loadTimeout_;
  std::optional<DelayedTaskId> hangTimeout_;
  std::vector<TimePoint> recentEnds_; // the last few, oldest first
  // While the error screen retries on its own: the next check, whether one
  // is under way, and how many were made since a page last showed.
  bool retrying_ = false;
  std::optional<DelayedTaskId> nextCheck_;
  bool checking_ = false;
  int checks_ = 0;
  Lifetime lifetime_;
};

} // namespace velmora
