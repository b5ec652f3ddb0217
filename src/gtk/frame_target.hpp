// Where a navigation is headed, as far as WebKitGTK lets us tell. The engine
// asks about every navigation but does not say which frame it is for, and
// the policy needs to know: an embedded page from another site must keep
// loading in its frame, while a link to another site in the page itself
// must go to the browser. This module works it out from the circumstances
// the engine does report, and says when it is only a guess.
#pragma once

#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The navigation types WebKitGTK reports, in our own words so the rules can
// be tested without the engine.
enum class NavigationKind {
  linkClicked,
  formSubmitted,
  formResubmitted,
  backForward,
  reload,
  other
};

struct NavigationFacts {
  std::string uri;
  NavigationKind kind = NavigationKind::other;
  bool userGesture = false;
  // The request's Sec-Fetch-Dest header. The engine fills it in only once
  // the network has seen the request, that is on redirects, and then it
  // names the frame exactly ("document" for the main frame).
  std::optional<std::string> fetchDestination;
  // The request's Referer header: the document that started the navigation
  // (only its origin when that lies on another site).
  std::optional<std::string> referrer;
  // The page the main frame shows now.
  std::optional<std::string> currentUri;
  // The main-frame load the application itself asked for last, until it
  // commits or fails.
  std::optional<std::string> applicationLoadUri;
};

struct FrameGuess {
  FrameTarget target = FrameTarget::mainFrame;
  // False when the navigation may really be for the main frame although
  // taken for a subframe; the main-frame response must then be judged again
  // as a main-frame navigation before anything of it is shown.
  bool certain = true;
};

// The rules, first match wins:
// 1. A Sec-Fetch-Dest header names the frame exactly.
// 2. The load the application asked for is the main frame's.
// 3. A user action asking for a scheme the engine cannot load in any frame
//    (mail, telephone, ...) is the main frame's: it can only be meant for
//    the desktop.
// 4. A link or form is the main frame's when it was started by the page on
//    show (same origin, or no Referer); started from a document of another
//    origin, it is that frame navigating itself, a guess.
// 5. Anything else (scripts, timers, history steps, reloads, iframes
//    filling themselves) is taken for a subframe, a guess.
[[nodiscard]] FrameGuess guessFrameTarget(const NavigationFacts& facts);

// An address the application loads, written as the engine reports it when
// it asks about the load ("http://host" comes back as "http://host/").
[[nodiscard]] std::string engineUri(const Url& url);

// The engine's questions about navigations, told apart over time: the
// main-frame loads the application started and the engine has not asked
// about yet, the navigations let through as a frame's on a guess, whose
// main-frame response is judged again as a main-frame navigation, and the
// navigations the user started, for the downloads they may turn into. Each
// list keeps only the latest few: what falls out is treated as a guess
// never made, or a navigation no user started, so a page that floods the
// engine with navigations gains nothing by it.
class FrameTargets {
public:
  // The application starts a main-frame load of `uri` (as the engine writes
  // it). Several can wait when one replaces another.
  void applicationLoadStarted(std::string uri);
  // A load failed before the engine asked about it.
  void loadFailed(std::string_view uri);
  // The target of a navigation the engine asks about; `facts` need not name
  // the application's load, which is looked up here.
  [[nodiscard]] FrameTarget targetOf(NavigationFacts facts);
  // True, once, when a main-frame response answers a navigation that was
  // let through as a frame's on a guess.
  [[nodiscard]] bool takeGuess(std::string_view requestUri);
  // True, once, when the user's own click or key started a navigation to
  // `requestUri` lately.
  [[nodiscard]] bool takeUserGesture(std::string_view requestUri);

private:
  std::deque<std::string> applicationLoads_;
  std::deque<std::string> guessedSubframes_;
  std::deque<std::string> userGestures_;
};

} // namespace velmora
