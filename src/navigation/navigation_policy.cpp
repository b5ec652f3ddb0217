#include "navigation/navigation_policy.hpp"

#include <string>

namespace velmora {
namespace {

constexpr std::string_view wwwPrefix = "www.";

// Host names compare without regard to letter case; only ASCII letters fold,
// as in DNS.
std::string lowercased(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string serverHost(const Url& server) {
  return lowercased(server.host().value_or(""));
}

} // namespace

bool isPlatformHost(const std::optional<Url>& url, const Url& server) {
  if (!url)
    return false;
  const auto written = url->host();
  if (!written)
    return false;
  const std::string host = lowercased(*written);
  const std::string platform = serverHost(server);
  // A server address without a host has no pages of its own.
  if (platform.empty())
    return false;
  return host == platform || host == std::string(wwwPrefix) + platform ||
         std::string(wwwPrefix) + host == platform;
}

NavigationOutcome navigationActionOutcome(const std::optional<Url>& url, FrameTarget target,
                                          const Url& server) {
  if (target == FrameTarget::subframe)
    return NavigationOutcome::allow;
  if (!url)
    return NavigationOutcome::allow;
  const auto scheme = url->scheme();
  if (!scheme)
    return NavigationOutcome::allow;
  const std::string lowerScheme = lowercased(*scheme);
  if (lowerScheme != "http" && lowerScheme != "https")
    return NavigationOutcome::openInBrowser;
  if (!isPlatformHost(url, server))
    return NavigationOutcome::openInBrowser;
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
  if (!isPlatformHost(url, server))
    return NavigationOutcome::allow;
  if (url->hasRootPath())
    return NavigationOutcome::signIn;
  return NavigationOutcome::allow;
}

PopUpOutcome popUpOutcome(const std::optional<Url>& url, const Url& server) {
  if (!url)
    return PopUpOutcome::nothing;
  return isPlatformHost(url, server) ? PopUpOutcome::loadInWindow : PopUpOutcome::openInBrowser;
}

PermissionDecision geolocationDecision(std::string_view originHost, const Url& server) {
  const std::string origin = lowercased(originHost);
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
