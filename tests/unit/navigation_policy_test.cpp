// Which addresses stay in the window, go to the browser, become the sign-in
// page or a download; which pop-ups load here; who may know the location.
#include "navigation/navigation_policy.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

Url url(const char* text) {
  auto parsed = Url::parse(text);
  if (!parsed)
    ADD_FAILURE() << "test URL does not parse: " << text;
  return parsed.value_or(*Url::parse("about:invalid"));
}

std::optional<Url> maybeUrl(std::optional<const char*> text) {
  return text ? std::optional<Url>(url(*text)) : std::nullopt;
}

const Url server = *Url::parse("https://dispatch.example.test");

TEST(NavigationPolicyTest, ThePlatformIsOneOriginAndItsWwwTwin) {
  struct Row {
    const char* name;
    const char* server;
    std::optional<const char*> address;
    bool expected;
  };
  const Row rows[] = {
      {"same origin", "https://acme.test", "https://acme.test/jobs", true},
      {"other letter case", "https://acme.test", "HTTPS://ACME.Test/jobs", true},
      {"www on the page", "https://acme.test", "https://www.acme.test/", true},
      {"www on the server", "https://www.acme.test", "https://acme.test/", true},
      {"the platform's own blob", "https://acme.test", "blob:https://acme.test/0c9e", true},
      {"loopback with its port", "http://127.0.0.1:8765", "http://127.0.0.1:8765/jobs", true},
      {"http page of an https platform", "https://acme.test", "http://acme.test/jobs", false},
      {"another port", "https://acme.test", "https://acme.test:8443/jobs", false},
      {"loopback on another port", "http://127.0.0.1:8765", "http://127.0.0.1:8766/", false},
      {"another loopback address", "http://127.0.0.1:8765", "http://127.0.0.2:8765/", false},
      {"other subdomain", "https://acme.test", "https://app.acme.test/", false},
      {"www twice", "https://acme.test", "https://www.www.acme.test/", false},
      {"suffix only", "https://acme.test", "https://notacme.test/", false},
      {"another site's blob", "https://acme.test", "blob:https://evil.test/0c9e", false},
      {"no origin", "https://acme.test", "mailto:dispatch@acme.test", false},
      {"absent", "https://acme.test", std::nullopt, false},
      {"server without a host", "acme", "https://www./", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(isPlatformOrigin(maybeUrl(row.address), url(row.server)), row.expected) << row.name;
  }
  // What the page guard in the web process compares frames' origins with.
  EXPECT_EQ(platformOrigins(url("https://Acme.test:443/app")),
            (std::vector<std::string>{"https://acme.test", "https://www.acme.test"}));
  EXPECT_EQ(platformOrigins(url("http://[::1]:8765")),
            (std::vector<std::string>{"http://[::1]:8765"}));
  EXPECT_TRUE(platformOrigins(url("ftp://acme.test")).empty());
}

TEST(NavigationPolicyTest, DecidesNavigationActionsByFrameSchemeHostAndPath) {
  using enum NavigationOutcome;
  struct Row {
    const char* name;
    std::optional<const char*> address;
    FrameTarget target;
    NavigationOutcome expected;
    bool userGesture = true;
  };
  const Row rows[] = {
      // Subframes load anything, unexamined.
      {"foreign iframe", "https://maps.example.test/embed", FrameTarget::subframe, allow},
      // Missing pieces are allowed rather than refused.
      {"no URL", std::nullopt, FrameTarget::mainFrame, allow},
      {"no scheme", "/jobs", FrameTarget::mainFrame, allow},
      // Other schemes go to the desktop.
      {"ftp on the platform", "ftp://dispatch.example.test/x", FrameTarget::mainFrame,
       openInBrowser},
      // Other sites go to the browser, but no window no one clicked for.
      {"foreign new window", "https://example.org/a", FrameTarget::newWindow, openInBrowser},
      {"foreign new window no one clicked", "https://example.org/a", FrameTarget::newWindow, ignore,
       false},
      {"foreign page a script loads", "https://example.org/a", FrameTarget::mainFrame,
       openInBrowser, false},
      // The page's own data goes on to the response decision, never outside.
      {"data export", "data:text/csv,a,b", FrameTarget::mainFrame, allow},
      {"blob in a new window", "BLOB:https://dispatch.example.test/0c9e", FrameTarget::newWindow,
       allow, false},
      // The root page becomes the sign-in page.
      {"empty path", "https://dispatch.example.test", FrameTarget::mainFrame, signIn},
      {"www root", "https://www.dispatch.example.test/", FrameTarget::mainFrame, signIn},
      // Everything else on the platform stays.
      {"sign-in page", "https://dispatch.example.test/login", FrameTarget::mainFrame, allow},
      {"workspace page", "https://dispatch.example.test/jobs/", FrameTarget::mainFrame, allow},
      // Only the platform's own origin.
      {"plain http", "http://dispatch.example.test/jobs", FrameTarget::mainFrame, openInBrowser},
      // Set-up links arrive only through the page scripts' report of a click.
      {"set-up link in a new window", "HAULVANE://connect?server=evil.test", FrameTarget::newWindow,
       ignore},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(navigationActionOutcome(maybeUrl(row.address), row.target, row.userGesture, server),
              row.expected)
        << row.name;
  }
}

TEST(NavigationPolicyTest, DecidesResponses) {
  using enum NavigationOutcome;
  struct Row {
    const char* name;
    bool canShow;
    bool mainFrame;
    std::optional<const char*> address;
    NavigationOutcome expected;
  };
  const Row rows[] = {
      {"unshowable from another site", false, true, "https://example.org/a.zip", download},
      {"foreign subframe", true, false, "https://example.org/", allow},
      // Only the platform is shown in the window, whatever led there.
      {"foreign main frame", true, true, "https://example.org/", ignore},
      {"platform host over http", true, true, "http://dispatch.example.test/jobs", ignore},
      {"no URL", true, true, std::nullopt, ignore},
      {"root with query", true, true, "https://DISPATCH.example.test?x=1", signIn},
      {"sign-in page", true, true, "https://dispatch.example.test/login", allow},
      {"data the engine would show", true, true, "data:text/html,%3Cp%3Ex", ignore},
      {"blob the engine would save", false, true, "blob:https://dispatch.example.test/0c9e",
       download},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(navigationResponseOutcome(row.canShow, row.mainFrame, maybeUrl(row.address), server),
              row.expected)
        << row.name;
  }
}

TEST(NavigationPolicyTest, SendsPopUpsHereOrToTheBrowserOrNowhere) {
  using enum PopUpOutcome;
  struct Row {
    const char* name;
    std::optional<const char*> address;
    bool userGesture;
    PopUpOutcome expected;
  };
  const Row rows[] = {
      {"platform page a script opened", "https://dispatch.example.test/jobs", false, loadInWindow},
      {"the page's own blob", "blob:https://dispatch.example.test/0c9e", false, loadInWindow},
      {"foreign page clicked", "https://example.org/", true, openInBrowser},
      {"foreign page no one clicked", "https://example.org/", false, nothing},
      {"set-up link clicked", "haulvane://connect?server=evil.test", true, nothing},
      {"no address", std::nullopt, true, nothing},
  };
  for (const Row& row : rows)
    EXPECT_EQ(popUpOutcome(maybeUrl(row.address), row.userGesture, server), row.expected)
        << row.name;
}

TEST(NavigationPolicyTest, GrantsLocationToTheExactPlatformOriginOnly) {
  using enum PermissionDecision;
  struct Row {
    const char* name;
    const char* server;
    std::optional<const char*> page;
    PermissionDecision expected;
  };
  const Row rows[] = {
      {"same origin", "https://acme.test", "https://acme.test/map", grant},
      {"www in front", "https://acme.test", "https://www.acme.test/", grant},
      {"server with www, bare origin", "https://www.acme.test", "https://acme.test/", deny},
      {"other port", "https://acme.test", "https://acme.test:8443/", deny},
      {"other subdomain", "https://acme.test", "https://maps.acme.test/", deny},
      {"page without origin", "https://acme.test", "about:blank", deny},
      {"server without host", "acme", "https://acme/", deny},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(geolocationDecision(maybeUrl(row.page), url(row.server)), row.expected) << row.name;
  }
}

TEST(NavigationPolicyTest, LetsOnlyTheUserOrThePlatformStartADownload) {
  struct Row {
    const char* name;
    std::optional<const char*> address;
    std::optional<const char*> referrer;
    std::optional<const char*> fetchSite;
    bool userGesture;
    bool expected;
  };
  const Row rows[] = {
      {"a click anywhere", "https://example.org/a.desktop", "https://example.org/", "same-origin",
       true, true},
      {"the application's own load", "https://dispatch.example.test/x.zip", std::nullopt, "none",
       false, true},
      {"a platform script, same origin", "https://dispatch.example.test/x.zip", std::nullopt,
       "same-origin", false, true},
      {"a platform page asked", "https://files.example.org/x.zip",
       "https://dispatch.example.test/jobs", "cross-site", false, true},
      {"the platform's own blob", "blob:https://dispatch.example.test/0c9e", std::nullopt,
       std::nullopt, false, true},
      {"a foreign frame hiding its referrer", "https://example.org/a.desktop", std::nullopt,
       "same-origin", false, false},
      {"a foreign frame fetching a platform file", "https://dispatch.example.test/x.zip",
       "https://example.org/", "cross-site", false, false},
      {"a foreign frame's blob", "blob:https://example.org/0c9e", std::nullopt, std::nullopt, false,
       false},
      {"a platform host on another port", "https://dispatch.example.test:8443/x.zip", std::nullopt,
       "same-origin", false, false},
  };
  for (const Row& row : rows) {
    const DownloadStart start{
        .url = maybeUrl(row.address),
        .referrer = maybeUrl(row.referrer),
        .fetchSite = row.fetchSite ? std::optional<std::string>(*row.fetchSite) : std::nullopt,
        .userGesture = row.userGesture};
    EXPECT_EQ(mayStartDownload(start, server), row.expected) << row.name;
  }
}

TEST(NavigationPolicyTest, SameServerComparesSchemeHostAndPortExactly) {
  struct Row {
    const char* name;
    const char* address;
    bool expected;
  };
  const Row rows[] = {
      {"same scheme and host", "https://dispatch.example.test/jobs?x=1#y", true},
      {"other port", "https://dispatch.example.test:8443/jobs", false},
      {"its own port written out", "https://dispatch.example.test:443/jobs", true},
      {"host in other case", "https://Dispatch.example.test/jobs", false},
      {"plain http", "http://dispatch.example.test/jobs", false},
      {"scheme in other case", "HTTPS://dispatch.example.test/jobs", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(isSameServer(url(row.address), server), row.expected) << row.name;
  }
  EXPECT_TRUE(isSameServer(url("/jobs"), url("/"))) << "both without scheme and host";
}

} // namespace
} // namespace velmora
