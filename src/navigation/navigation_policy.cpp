#include "navigation/navigation_policy.hpp"

#include "connection/connect_link_parser.hpp"
#include "platform/text.hpp"

#include <algorithm>
#include <string>

namespace velmora {
namespace {

constexpr std::string_view wwwPrefix = "www.";

// Data the page made itself, which only this page can read.
bool isPageData(const Url& url) {
  const std::string scheme = asciiLowercased(url.scheme().value_or(""));
  return scheme == "blob" || scheme == "data";
}

// The server's origin for its host name's "www." twin: with one "www." put
// in front or, when the host has one and `orTakenOff` is set, taken off.
// None for an address given by number, which has no such twin.
std::optional<std::string> wwwTwinOrigin(const Url& server, bool orTakenOff) {
  const auto& components = server.components();
  if (components.host_type() != boost::urls::host_type::name || !server.host())
    return std::nullopt;
  const std::string host = asciiLowercased(*server.host());
  std::string twin = std::string(wwwPrefix) + host;
  if (orTakenOff && host.starts_with(wwwPrefix))
    twin = host.substr(wwwPrefix.size());
  if (twin.empty())
    return std::nullopt;
  boost::urls::url changed = components;
  changed.set_host_address(twin);
  const auto url = Url::parse(changed.buffer());
  return url ? url->origin() : std::nullopt;
}

} // namespace

std::vector<std::string> platformOrigins(const Url& server) {
  const auto own = server.origin();
  // A server address without a host, or not on the web, has no pages.
  if (!own || !server.host())
    return {};
  std::vector<std::string> origins{*own};
  if (auto twin = wwwTwinOrigin(server, true))
    origins.push_back(std::move(*twin));
  return origins;
}

bool isPlatformOrigin(const std::optional<Url>& url, const Url& server) {
  const auto origin = url ? url->origin() : std::nullopt;
  if (!origin)
    return false;
  const auto platform = platformOrigins(server);
  return std::ranges::find(platform, *origin) != platform.end();
}

NavigationOutcome navigationActionOutcome(const std::optional<Url>& url, FrameTarget target,
                                          bool userGesture, const Url& server) {
  if (target == FrameTarget::subframe)
    return NavigationOutcome::allow;
  if (!url || !url->scheme())
    return NavigationOutcome::allow;
  if (isPageData(*url))
    return NavigationOutcome::allow;
  if (hasConnectLinkScheme(*url))
    return NavigationOutcome::ignore;
  if (!isPlatformOrigin(url, server)) {
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
  if (!url || isPageData(*url) || !isPlatformOrigin(url, server))
    return NavigationOutcome::ignore;
  if (url->hasRootPath())
    return NavigationOutcome::signIn;
  return NavigationOutcome::allow;
}

PopUpOutcome popUpOutcome(const std::optional<Url>& url, bool userGesture, const Url& server) {
  if (!url || hasConnectLinkScheme(*url))
    return PopUpOutcome::nothing;
  if (isPlatformOrigin(url, server) || isPageData(*url))
    return PopUpOutcome::loadInWindow;
  return userGesture ? PopUpOutcome::openInBrowser : PopUpOutcome::nothing;
}

PermissionDecision geolocationDecision(const std::optional<Url>& page, const Url& server) {
  const auto origin = page ? page->origin() : std::nullopt;
  const auto own = server.origin();
  // A page without an origin (a blank or data page) is nobody's to grant.
  if (!origin || !own)
    return PermissionDecision::deny;
  return *origin == *own || origin == wwwTwinOrigin(server, false) ? PermissionDecision::grant
                                                                   : PermissionDecision::deny;
}

bool mayStartDownload(const DownloadStart& start, const Url& server) {
  if (start.userGesture || start.fetchSite == "none")
    return true;
  if (start.fetchSite == "same-origin" && isPlatformOrigin(start.url, server))
    return true;
  if (isPlatformOrigin(start.referrer, server))
    return true;
  // Only the platform's own pages can make a blob: address of its origin.
  return start.url && asciiLowercased(start.url->scheme().value_or("")) == "blob" &&
         isPlatformOrigin(start.url, server);
}

bool isSameServer(const Url& url, const Url& server) {
  const auto portOf = [](const Url& address) {
    const auto written = address.port().value_or("");
    if (!written.empty())
      return std::to_string(address.components().port_number());
    return std::string(asciiLowercased(address.scheme().value_or("")) == "http" ? "80" : "443");
  };
  return url.host() == server.host() && url.scheme() == server.scheme() &&
         portOf(url) == portOf(server);
}

} // namespace velmora
