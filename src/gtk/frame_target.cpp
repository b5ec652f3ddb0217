#include "gtk/frame_target.hpp"

#include "platform/text.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace velmora {
namespace {

// Only the latest few matter: the engine asks about a load, and the
// response follows its navigation, closely.
constexpr std::size_t applicationLoadMemory = 8;
constexpr std::size_t guessedSubframeMemory = 64;
constexpr std::size_t userGestureMemory = 64;

void remember(std::deque<std::string>& list, std::string uri, std::size_t memory) {
  list.push_back(std::move(uri));
  if (list.size() > memory)
    list.pop_front();
}

// The web origin of an address the engine reports; none for one without.
std::optional<std::string> originOf(const std::optional<std::string>& address) {
  const auto url = address ? Url::parseLenient(*address) : std::nullopt;
  return url ? url->origin() : std::nullopt;
}

// Schemes whose pages the engine loads into a frame by itself.
bool engineLoadsScheme(const std::string& uri) {
  static constexpr std::array<std::string_view, 7> loaded{"http", "https", "about",     "data",
                                                          "blob", "file",  "javascript"};
  const auto url = Url::parseLenient(uri);
  if (!url || !url->scheme())
    return true;
  const std::string scheme = asciiLowercased(*url->scheme());
  return std::find(loaded.begin(), loaded.end(), scheme) != loaded.end();
}

} // namespace

FrameGuess guessFrameTarget(const NavigationFacts& facts) {
  if (facts.fetchDestination) {
    return {facts.fetchDestination == "document" ? FrameTarget::mainFrame : FrameTarget::subframe,
            true};
  }
  if (facts.applicationLoadUri && *facts.applicationLoadUri == facts.uri) {
    return {FrameTarget::mainFrame, true};
  }
  if (facts.userGesture && !engineLoadsScheme(facts.uri))
    return {FrameTarget::mainFrame, true};
  switch (facts.kind) {
  case NavigationKind::linkClicked:
  case NavigationKind::formSubmitted:
  case NavigationKind::formResubmitted: {
    const auto starter = originOf(facts.referrer);
    if (starter && starter != originOf(facts.currentUri))
      return {FrameTarget::subframe, false};
    return {FrameTarget::mainFrame, true};
  }
  case NavigationKind::backForward:
  case NavigationKind::reload:
  case NavigationKind::other:
    break;
  }
  return {FrameTarget::subframe, false};
}

std::string engineUri(const Url& url) {
  boost::urls::url written = url.components();
  // Not set_encoded_path("/"): Boost.URL 1.81 writes that as "/./".
  if (written.has_authority() && written.encoded_path().empty())
    written.set_path_absolute(true);
  return std::string(written.buffer());
}

void FrameTargets::applicationLoadStarted(std::string uri) {
  remember(applicationLoads_, std::move(uri), applicationLoadMemory);
}

void FrameTargets::loadFailed(std::string_view uri) {
  // Only the load that failed: one started after it is still to be asked
  // about.
  std::erase(applicationLoads_, uri);
}

FrameTarget FrameTargets::targetOf(NavigationFacts facts) {
  const auto ownLoad = std::ranges::find(applicationLoads_, facts.uri);
  if (ownLoad != applicationLoads_.end()) {
    facts.applicationLoadUri = *ownLoad;
    applicationLoads_.erase(ownLoad);
  }
  if (facts.userGesture)
    remember(userGestures_, facts.uri, userGestureMemory);
  const FrameGuess guess = guessFrameTarget(facts);
  if (!guess.certain)
    remember(guessedSubframes_, std::move(facts.uri), guessedSubframeMemory);
  return guess.target;
}

namespace {

bool take(std::deque<std::string>& list, std::string_view uri) {
  const auto found = std::ranges::find(list, uri);
  if (found == list.end())
    return false;
  list.erase(found);
  return true;
}

} // namespace

bool FrameTargets::takeGuess(std::string_view requestUri) {
  return take(guessedSubframes_, requestUri);
}

bool FrameTargets::takeUserGesture(std::string_view requestUri) {
  return take(userGestures_, requestUri);
}

} // namespace velmora
