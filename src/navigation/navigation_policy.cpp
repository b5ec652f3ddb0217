#include "navigation/navigation_policy.hpp"

#include "connection/text.hpp"

#include <string>

namespace velmora {
namespace {

constexpr std::string_view wwwPrefix = "www.";

std::string serverHost(const Url& server) {
  return asciiLowercased(server.host().value_or(""));
}

// Data the page made itself, which only this page can read.
bool isPageData(const Url& url) {
  const std::string scheme = asciiLowercased(url.scheme().value_or(""));
  return scheme == "blob" || scheme == "data";
}

} // namespace

bool isPlatformHost(const std::optional<Url>& url, const Url& server) {
  if (!url)
    return false;
  const auto written = url->host();
  if (!written)
    return false;
  const std::string host = asciiLowercased(*written);
  const std::string platform = serverHost(server);
  // A server address without a host has no pages of its own.
  if (platform.empty())
    return false;
  return host == platform || host == std::string(wwwPrefix) + platform ||
         std::string(wwwPrefix) + host == platform;
}

NavigationOutcome navigationActionOutcome(const std::optional<Url>& url, FrameTarget target,
                                          bool userGesture, const Url& server) {
  if (target == FrameTarget::subframe)
    return NavigationOutcome::allow;
  if (!url)
    return NavigationOutcome::allow;
  const auto scheme = url->scheme();
  if (!scheme)
    return NavigationOutcome::allow;
  if (isPageData(*url))
    return NavigationOutcome::allow;
  const std::string lowerScheme = asciiLowercased(*scheme);
  const bool web = lowerScheme == "http" || lowerScheme == "https";
  if (!web || !isPlatformHost(url, server)) {
    return target == FrameTarget::newWindow && !userGesture ? NavigationOutcome::ignore
                                                            : NavigationOutcome::openInBrowser;
  }
  if (url->hasRootPath())
    return NavigationOutcome::signIn;
  return NavigationOutcome::allow;
}

NavigationOutcome navigationResponseOutcome(bool canShowMimeType, bool isForMainFrame,
                                            const std::optional<Url>& url, const Url& server) {
  if (!canShowMimeType)
    return NavigationOutcome::download;
  if (!isForMainFrame)
    return NavigationOutcome::allow;
  if (!url)
    return NavigationOutcome::allow;
  if (isPageData(*url))
    return NavigationOutcome::ignore;
  if (!isPlatformHost(url, server))
    return NavigationOutcome::allow;
  if (url->hasRootPath())
    return NavigationOutcome::signIn;
  return NavigationOutcome::allow;
}

PopUpOutcome popUpOutcome(const std::optional<Url>& url, bool userGesture, const Url& server) {
  if (!url)
    return PopUpOutcome::nothing;
  if (isPlatformHost(url, server) || isPageData(*url))
    return PopUpOutcome::loadInWindow;
  return userGesture ? PopUpOutcome::openInBrowser : PopUpOutcome::nothing;
}

PermissionDecision geolocationDecision(std::string_view originHost, const Url& server) {
  const std::string origin = asciiLowercased(originHost);
  const std::string platform = serverHost(server);
  // A page without a host (a blank or data page) is nobody's to grant.
  if (origin.empty() || platform.empty())
    return PermissionDecision::deny;
  return origin == platform || origin == std::string(wwwPrefix) + platform
             ? PermissionDecision::grant
             : PermissionDecision::deny;
}

bool isSameServer(const Url& url, const Url& server) {
  return url.host() == server.host() && url.scheme() == server.scheme();
}

} // namespace velmora
