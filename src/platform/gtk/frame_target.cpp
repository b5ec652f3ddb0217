#include "platform/gtk/frame_target.hpp"

#include "platform/gtk/engine_url.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace velmora::gtk {
namespace {

std::string lowercased(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return result;
}

// Scheme, host and port, with the scheme's default port filled in, so
// "http://a.test/" and "http://A.test:80/x" are one origin. None for an
// address without a host.
std::optional<std::string> originOf(const std::optional<std::string>& address) {
  if (!address)
    return std::nullopt;
  const auto url = engineUrl(address->c_str());
  if (!url || !url->scheme() || !url->host())
    return std::nullopt;
  const std::string scheme = lowercased(*url->scheme());
  std::string port = url->port().value_or("");
  if (port.empty())
    port = scheme == "https" ? "443" : scheme == "http" ? "80" : "";
  return scheme + "://" + lowercased(*url->host()) + ":" + port;
}

// Schemes whose pages the engine loads into a frame by itself.
bool engineLoadsScheme(const std::string& uri) {
  static constexpr std::array<std::string_view, 7> loaded{"http", "https", "about",     "data",
                                                          "blob", "file",  "javascript"};
  const auto url = engineUrl(uri.c_str());
  if (!url || !url->scheme())
    return true;
  const std::string scheme = lowercased(*url->scheme());
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

} // namespace velmora::gtk
