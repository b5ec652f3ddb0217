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

TEST(NavigationPolicyTest, TellsPlatformHostsLeniently) {
  struct Row {
    const char* name;
    const char* server;
    std::optional<const char*> address;
    bool expected;
  };
  const Row rows[] = {
      {"same host", "https://acme.test", "https://acme.test/jobs", true},
      {"other letter case", "https://acme.test", "https://ACME.Test/jobs", true},
      {"www on the page", "https://acme.test", "https://www.acme.test/", true},
      {"www on the server", "https://www.acme.test", "https://acme.test/", true},
      {"www on both", "https://www.acme.test", "https://WWW.acme.test/", true},
      {"scheme and port ignored", "https://acme.test", "http://acme.test:8080/x", true},
      {"other subdomain", "https://acme.test", "https://app.acme.test/", false},
      {"www twice", "https://acme.test", "https://www.www.acme.test/", false},
      {"suffix only", "https://acme.test", "https://notacme.test/", false},
      {"parent of the server", "https://app.acme.test", "https://acme.test/", false},
      {"no host", "https://acme.test", "mailto:dispatch@acme.test", false},
      {"relative reference", "https://acme.test", "/jobs", false},
      {"absent", "https://acme.test", std::nullopt, false},
      {"user information ignored", "https://acme.test", "https://me:pw@acme.test/", true},
      {"server without a host", "acme", "https://www./", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(isPlatformHost(maybeUrl(row.address), url(row.server)), row.expected) << row.name;
  }
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
      {"odd scheme in iframe", "tel:+15550100", FrameTarget::subframe, allow},
      {"root page in iframe", "https://dispatch.example.test/", FrameTarget::subframe, allow},
      // Missing pieces are allowed rather than refused.
      {"no URL", std::nullopt, FrameTarget::mainFrame, allow},
      {"no scheme", "/jobs", FrameTarget::mainFrame, allow},
      // Other schemes go to the desktop.
      {"mail link", "mailto:dispatch@example.test", FrameTarget::mainFrame, openInBrowser},
      {"phone link", "tel:+15550100", FrameTarget::mainFrame, openInBrowser},
      {"blank page", "about:blank", FrameTarget::mainFrame, openInBrowser},
      {"ftp on the platform", "ftp://dispatch.example.test/x", FrameTarget::mainFrame,
       openInBrowser},
      // Schemes in any letter case.
      {"upper-case https", "HTTPS://dispatch.example.test/jobs", FrameTarget::mainFrame, allow},
      {"mixed-case http", "Http://dispatch.example.test/jobs", FrameTarget::mainFrame, allow},
      // Other sites go to the browser, in the main frame and in new windows.
      {"foreign link", "https://example.org/", FrameTarget::mainFrame, openInBrowser},
      {"foreign subdomain", "https://help.dispatch.example.test/a", FrameTarget::mainFrame,
       openInBrowser},
      {"foreign new window", "https://example.org/a", FrameTarget::newWindow, openInBrowser},
      {"foreign new window no one clicked", "https://example.org/a", FrameTarget::newWindow, ignore,
       false},
      {"mail in a new window no one clicked", "mailto:a@example.org", FrameTarget::newWindow,
       ignore, false},
      {"foreign page a script loads", "https://example.org/a", FrameTarget::mainFrame,
       openInBrowser, false},
      // The page's own data goes on to the response decision, never outside.
      {"blob export", "blob:https://dispatch.example.test/0c9e", FrameTarget::mainFrame, allow},
      {"data export", "data:text/csv,a,b", FrameTarget::mainFrame, allow},
      {"blob in a new window", "BLOB:https://dispatch.example.test/0c9e", FrameTarget::newWindow,
       allow, false},
      // The root page becomes the sign-in page.
      {"empty path", "https://dispatch.example.test", FrameTarget::mainFrame, signIn},
      {"slash", "https://dispatch.example.test/", FrameTarget::mainFrame, signIn},
      {"slash and query", "https://dispatch.example.test/?utm=x", FrameTarget::mainFrame, signIn},
      {"www root", "https://www.dispatch.example.test/", FrameTarget::mainFrame, signIn},
      {"root in new window", "https://dispatch.example.test/", FrameTarget::newWindow, signIn},
      // Everything else on the platform stays.
      {"sign-in page", "https://dispatch.example.test/login", FrameTarget::mainFrame, allow},
      {"workspace page", "https://dispatch.example.test/jobs/", FrameTarget::mainFrame, allow},
      {"platform new window", "https://dispatch.example.test/jobs", FrameTarget::newWindow, allow},
      {"other port", "https://dispatch.example.test:8443/jobs", FrameTarget::mainFrame, allow},
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
      {"unshowable platform file", false, true, "https://dispatch.example.test/export.zip",
       download},
      {"unshowable in a subframe", false, false, "https://dispatch.example.test/a.zip", download},
      {"unshowable from another site", false, true, "https://example.org/a.zip", download},
      {"unshowable root", false, true, "https://dispatch.example.test/", download},
      {"subframe root page", true, false, "https://dispatch.example.test/", allow},
      {"foreign subframe", true, false, "https://example.org/", allow},
      {"foreign main frame", true, true, "https://example.org/", allow},
      {"no URL", true, true, std::nullopt, allow},
      {"root page", true, true, "https://dispatch.example.test/", signIn},
      {"root with query", true, true, "https://DISPATCH.example.test?x=1", signIn},
      {"sign-in page", true, true, "https://dispatch.example.test/login", allow},
      {"blob the engine would show", true, true, "blob:https://dispatch.example.test/0c9e", ignore},
      {"data the engine would show", true, true, "data:text/html,%3Cp%3Ex", ignore},
      {"blob the engine would save", false, true, "blob:https://dispatch.example.test/0c9e",
       download},
      {"blob in a subframe", true, false, "blob:https://dispatch.example.test/0c9e", allow},
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
      {"platform page", "https://www.dispatch.example.test/jobs", true, loadInWindow},
      {"platform page a script opened", "https://dispatch.example.test/jobs", false, loadInWindow},
      {"platform root (the load becomes sign-in)", "https://dispatch.example.test/", true,
       loadInWindow},
      {"the page's own blob", "blob:https://dispatch.example.test/0c9e", false, loadInWindow},
      {"foreign page clicked", "https://example.org/", true, openInBrowser},
      {"blank page clicked", "about:blank", true, openInBrowser},
      {"foreign page no one clicked", "https://example.org/", false, nothing},
      {"no address", std::nullopt, true, nothing},
  };
  for (const Row& row : rows)
    EXPECT_EQ(popUpOutcome(maybeUrl(row.address), row.userGesture, server), row.expected)
        << row.name;
}

TEST(NavigationPolicyTest, GrantsLocationToTheExactPlatformHostOnly) {
  using enum PermissionDecision;
  struct Row {
    const char* name;
    const char* server;
    const char* origin;
    PermissionDecision expected;
  };
  const Row rows[] = {
      {"same host", "https://acme.test", "acme.test", grant},
      {"other letter case", "https://acme.test", "Acme.TEST", grant},
      {"www in front", "https://acme.test", "www.acme.test", grant},
      {"server with www, bare origin", "https://www.acme.test", "acme.test", deny},
      {"server with www, same origin", "https://www.acme.test", "www.acme.test", grant},
      {"other subdomain", "https://acme.test", "maps.acme.test", deny},
      {"other site", "https://acme.test", "example.org", deny},
      {"page without host", "https://acme.test", "", deny},
      {"server without host", "acme", "", deny},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(geolocationDecision(row.origin, url(row.server)), row.expected) << row.name;
  }
}

TEST(NavigationPolicyTest, SameServerComparesSchemeAndHostExactly) {
  struct Row {
    const char* name;
    const char* address;
    bool expected;
  };
  const Row rows[] = {
      {"same scheme and host", "https://dispatch.example.test/jobs?x=1#y", true},
      {"other port", "https://dispatch.example.test:8443/jobs", true},
      {"host in other case", "https://Dispatch.example.test/jobs", false},
      {"www in front", "https://www.dispatch.example.test/jobs", false},
      {"plain http", "http://dispatch.example.test/jobs", false},
      {"scheme in other case", "HTTPS://dispatch.example.test/jobs", false},
      {"no host", "/jobs", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(isSameServer(url(row.address), server), row.expected) << row.name;
  }
  EXPECT_TRUE(isSameServer(url("/jobs"), url("/"))) << "both without scheme and host";
}

} // namespace
} // namespace velmora
