// The two injected page scripts in the real engine: a web view of the GTK
// backend, configured as the window configures it, loads the sample
// platform's pages and the messages it delivers are recorded.
#include "bridge/page_scripts.hpp"
#include "engine_window.hpp"
#include "gtk/web_view.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora::testing {
namespace {

// Allows every load and records what the page posts.
class Recorder final : public NavigationDelegate,
                       public LoadDelegate,
                       public UIDelegate,
                       public ScriptMessageHandler {
public:
  void
  decidePolicyForNavigationAction(const NavigationAction&,
                                  std::function<void(NavigationActionPolicy)> decide) override {
    decide(NavigationActionPolicy::allow);
  }
  void
  decidePolicyForNavigationResponse(const NavigationResponse& response,
                                    std::function<void(NavigationResponsePolicy)> decide) override {
    decide(response.canShowMimeType ? NavigationResponsePolicy::allow
                                    : NavigationResponsePolicy::cancel);
  }
  void navigationActionDidBecomeDownload(Download&) override {}
  void navigationResponseDidBecomeDownload(Download&) override {}
  void didStartProvisionalNavigation() override {}
  void didCommitNavigation() override {}
  void webProcessDidTerminate(WebProcessTermination) override {}
  void webProcessResponsivenessDidChange(bool) override {}
  void didFinishNavigation() override { ++finished; }
  void didFailProvisionalNavigation(const WebError&) override {}
  void estimatedProgressDidChange(double) override {}
  void backForwardListDidChange() override {}
  NewWindowResponse createWebViewWithConfiguration(const NavigationAction&) override {
    return NewWindowResponse::none;
  }
  void requestGeolocationPermissionForOrigin(const std::optional<Url>&,
                                             std::function<void(PermissionDecision)> d) override {
    d(PermissionDecision::deny);
  }
  void requestNotificationPermissionForOrigin(const std::optional<Url>&,
                                              std::function<void(PermissionDecision)> d) override {
    d(PermissionDecision::deny);
  }
  std::vector<std::string> platformOrigins() const override { return {}; }
  ContextMenuChange contextMenuChange(ContextMenuEntry, const std::optional<Url>&) const override {
    return ContextMenuChange::keep;
  }
  void openLinkInBrowser(const Url&) override {}
  void runJavaScriptAlertPanelWithMessage(const std::string&, std::function<void()> done) override {
    done();
  }
  void runJavaScriptConfirmPanelWithMessage(const std::string&,
                                            std::function<void(bool)> done) override {
    done(false);
  }
  void runJavaScriptTextInputPanelWithPrompt(
      const std::string&, const std::optional<std::string>&,
      std::function<void(std::optional<std::string>)> done) override {
    done(std::nullopt);
  }
  void didReceiveScriptMessage(const ScriptMessage& message) override {
    messages.push_back(message);
  }

  int finished = 0;
  std::vector<ScriptMessage> messages;
};

struct Link {
  std::string label;
  std::string href;
  bool current = false;
  friend bool operator==(const Link&, const Link&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Link& link) {
    return out << "{\"" << link.label << "\", " << link.href << (link.current ? ", current}" : "}");
  }
};

// A flush marker travels through the same channel as the page's own
// messages, so once it has arrived everything posted before it has too.
constexpr std::string_view flushPrefix = "flush-";

bool isFlushMarker(const ScriptMessage& message) {
  const std::string* text = message.body.string();
  return text && text->starts_with(flushPrefix);
}

// Records the periodic work the scripts ask for instead of running it, so a
// test can read the period and run one round itself.
constexpr std::string_view recordIntervals =
    "window.__intervals = [];"
    "window.setInterval = function (callback, delay) {"
    "  window.__intervals.push({callback: callback, delay: delay});"
    "  return window.__intervals.length;"
    "};";

class PageScriptsTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { gtk_init(); }

  void SetUp() override {
    WebViewConfiguration configuration;
    configuration.persistentDataStore = false;
    configuration.applicationNameForUserAgent = "VelmoraMac/1.1";
    configuration.userScripts = {
        UserScript{.source = recordIntervals, .injectAtDocumentEnd = false},
        UserScript{badgeHookScript()}, UserScript{navigationHookScript()}};
    configuration.scriptMessageHandlerNames = {"bellCount", "navLinks"};
    view = std::make_unique<gtk::GtkWebView>(
        session.get(), configuration, WebViewDelegates{recorder, recorder, recorder, recorder});
    window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
    gtk_window_set_child(GTK_WINDOW(window), view->container());
    gtk_window_present(GTK_WINDOW(window));
  }

  void TearDown() override {
    view.reset();
    gtk_window_destroy(GTK_WINDOW(window));
  }

  void load(const std::string& path) {
    const int before = recorder.finished;
    recorder.messages.clear();
    view->loadRequest(UrlRequest{.url = *Url::parse(platform.url() + path)});
    ASSERT_TRUE(waitUntil([&] { return recorder.finished > before; })) << path;
    flush();
  }

  // Runs a script beside the page scripts, where their globals and the
  // message handlers are; gives its result as JSON, none when it raised.
  std::optional<std::string> evaluate(const std::string& script) {
    return evaluateIn(WEBKIT_WEB_VIEW(view->widget()), script, gtk::pageScriptsWorld);
  }

  void flush() {
    const std::string marker = std::string(flushPrefix) + std::to_string(++flushes);
    evaluate("window.webkit.messageHandlers.navLinks.postMessage('" + marker + "')");
    ASSERT_TRUE(waitUntil([&] {
      return std::ranges::any_of(recorder.messages, [&](const ScriptMessage& m) {
        return m.body.string() && *m.body.string() == marker;
      });
    }));
  }

  std::vector<ScriptValue> posted(const std::string& name) const {
    std::vector<ScriptValue> bodies;
    for (const ScriptMessage& message : recorder.messages)
      if (message.name == name && !isFlushMarker(message))
        bodies.push_back(message.body);
    return bodies;
  }

  std::vector<double> counts() const {
    std::vector<double> numbers;
    for (const ScriptValue& body : posted("bellCount"))
      numbers.push_back(body.number() ? *body.number() : std::nan(""));
    return numbers;
  }

  // The one link list the page posted, with addresses made relative to the
  // platform; fails the test when there was not exactly one.
  std::vector<Link> links() const {
    const std::vector<ScriptValue> lists = posted("navLinks");
    EXPECT_EQ(lists.size(), 1u) << "one list per document";
    std::vector<Link> result;
    if (lists.empty() || !lists.back().array())
      return result;
    for (const ScriptValue& entry : *lists.back().array()) {
      const ScriptDictionary* fields = entry.dictionary();
      EXPECT_TRUE(fields && fields->size() == 3) << "exactly label, href and current";
      if (!fields)
        continue;
      Link link;
      if (auto it = fields->find("label"); it != fields->end() && it->second.string())
        link.label = *it->second.string();
      if (auto it = fields->find("href"); it != fields->end() && it->second.string()) {
        link.href = *it->second.string();
        if (link.href.starts_with(platform.url()))
          link.href.erase(0, platform.url().size());
      }
      if (auto it = fields->find("current"); it != fields->end() && it->second.boolean())
        link.current = *it->second.boolean();
      result.push_back(link);
    }
    return result;
  }

  std::vector<std::string> labels() const {
    std::vector<std::string> result;
    for (const Link& link : links())
      result.push_back(link.label);
    return result;
  }

  SamplePlatform platform;
  GObjectPtr<WebKitNetworkSession> session =
      GObjectPtr<WebKitNetworkSession>::adopt(webkit_network_session_new_ephemeral());
  Recorder recorder;
  std::unique_ptr<gtk::GtkWebView> view;
  GtkWidget* window = nullptr;
  int flushes = 0;
};

TEST_F(PageScriptsTest, PostsTheUnreadCountOnceWhenThePageIsReady) {
  struct Row {
    const char* name;
    const char* query;
    double count;
  };
  const Row rows[] = {
      {"no count element", "", 0},
      {"grouping separator", "?text=1%2C204", 1204},
      {"no digits", "?text=new", 0},
      {"hidden attribute", "?text=7&hidden=1", 0},
      {"hidden by style only", "?text=7&styled=1", 7},
      {"more digits than a count holds", "?text=12345678901234567890", 12345678901234567890.0},
  };
  for (const Row& row : rows) {
    load(std::string("/bridge/count") + row.query);
    EXPECT_EQ(counts(), std::vector<double>{row.count}) << row.name;
  }
}

TEST_F(PageScriptsTest, ReportsTheCountEveryThirtySecondsEvenWhenUnchanged) {
  for (const char* query : {"?text=4", ""}) {
    load(std::string("/bridge/count") + query);
    EXPECT_EQ(evaluate("window.__intervals.map(function (i) { return i.delay; })"), "[30000]")
        << "one period of 30 s, asked for once";
    const double count = counts().at(0);
    evaluate("window.__intervals[0].callback()");
    evaluate("window.__intervals[0].callback()");
    flush();
    EXPECT_EQ(counts(), (std::vector<double>{count, count, count})) << query;
  }
}

TEST_F(PageScriptsTest, ObservesChangesInsideTheCountElementOnly) {
  load("/bridge/count?text=3");
  const auto change = [&](const std::string& script) {
    evaluate("(function (c) { " + script + " })(document.querySelector('.hv-notification-count'))");
    flush();
    return counts().back();
  };
  EXPECT_EQ(change("c.textContent = '4';"), 4) << "text";
  EXPECT_EQ(change("c.hidden = true;"), 0) << "attribute";
  EXPECT_EQ(change("c.innerHTML = '<b>5</b>'; c.hidden = false;"), 5) << "children";
  EXPECT_EQ(change("c.firstChild.firstChild.data = '6 new';"), 6) << "text deep inside";

  // A count element the page puts in place of the first one is not
  // watched; the next periodic report carries its count.
  const size_t before = counts().size();
  evaluate("var n = document.createElement('span'); n.className = 'hv-notification-count';"
           "n.textContent = '9'; document.querySelector('.hv-notification-count').replaceWith(n);"
           "n.textContent = '10';");
  flush();
  EXPECT_EQ(counts().size(), before);
  evaluate("window.__intervals[0].callback()");
  flush();
  EXPECT_EQ(counts().back(), 10);
}

TEST_F(PageScriptsTest, LabelsLeaveBadgesOutCollapseWhiteSpaceAndStopAtSixtyCodeUnits) {
  load("/bridge/labels");
  const std::vector<Link> expected{
      {"Alerts", "/alerts"},
      {"Messages 5", "/messages"}, // a badge one level down still counts
      {"Inbox", "/inbox"},         // only screen-reader text: the whole text
      {"Open tasks", "/tasks"},
      {"Regions", "/regions"}, // "accounts" contains "count"
      {"Map", "/map"},
      {"3", "/unread"},
      {"Comments", "/comments"},
      {"Current page", "/current", true},
      {"Current step", "/step"},
      {"Towing and roadside assistance jobs awaiting a driver in the", "/long"},
      {"Fifty-nine characters of text end right here, then a space, ", "/cut-in-space"},
      // The cut falls inside the truck's surrogate pair; the half left over
      // arrives as the replacement character.
      {"Exactly fifty-nine code units of text come before the truck\xEF\xBF\xBD", "/emoji"},
  };
  EXPECT_EQ(links(), expected);
}

TEST_F(PageScriptsTest, OffersOnlySameOriginLinksOnceEach) {
  load("/bridge/filters");
  const std::vector<Link> expected{
      {"Open jobs", "/jobs#open"},         {"Drivers", "/drivers"},
      {"Trucks", "/trucks", true}, // the first of two anchors wins
      {"Jobs, open", "/jobs?status=open"}, {"Jobs", "/jobs"},
  };
  EXPECT_EQ(links(), expected);
}

TEST_F(PageScriptsTest, TakesTheFirstContainerInPrecedenceThatYieldsLinks) {
  struct Row {
    const char* page;
    std::vector<std::string> labels;
    double count;
  };
  const Row rows[] = {
      {"/bridge/precedence", {"My requests", "My invoices"}, 0},
      {"/bridge/portal", {"Tow requests", "Vehicles", "Invoices", "Sign out"}, 1},
      {"/bridge/tabs", {"Details", "Photos", "Billing", "Sign out"}, 12},
      {"/bridge/bottomnav", {"Today", "History", "Profile"}, 1204},
      {"/bridge/secnav", {"Company", "Users", "Rates", "Sign out"}, 99},
      {"/bridge/sectionnav", {"Daily", "Monthly"}, 0},
      {"/login", {}, 0},
  };
  for (const Row& row : rows) {
    load(row.page);
    EXPECT_EQ(labels(), row.labels) << row.page;
    EXPECT_EQ(counts(), std::vector<double>{row.count}) << row.page;
  }
  load("/bridge/portal");
  EXPECT_TRUE(links().at(0).current);
  EXPECT_EQ(links().at(3).href, "/logout") << "the sign-out link is not added twice";
}

TEST_F(PageScriptsTest, CutsTheListToTwentyFourBeforeAddingTheSignOutLink) {
  const auto sections = [](int from, int to) {
    std::vector<std::string> labels;
    for (int i = from; i <= to; ++i)
      labels.push_back("Section " + std::to_string(i));
    return labels;
  };
  const auto with = [](std::vector<std::string> labels, size_t at) {
    labels.insert(labels.begin() + static_cast<std::ptrdiff_t>(at), "Sign out");
    return labels;
  };
  struct Row {
    const char* placement;
    std::vector<std::string> labels;
  };
  const Row rows[] = {
      {"none", sections(1, 24)},
      {"outside", with(sections(1, 24), 24)},
      // Already among the first 24: kept where it stands, not added again.
      {"early", with(sections(1, 23), 3)},
      // Beyond the 24th link: cut off with the rest, then appended.
      {"late", with(sections(1, 24), 24)},
  };
  for (const Row& row : rows) {
    load(std::string("/bridge/long?signout=") + row.placement);
    EXPECT_EQ(labels(), row.labels) << row.placement;
  }
}

TEST_F(PageScriptsTest, ASecondRunInTheSameDocumentDoesNothing) {
  load("/bridge/count?text=2");
  ASSERT_EQ(counts().size(), 1u);
  ASSERT_EQ(posted("navLinks").size(), 1u);
  evaluate(std::string(badgeHookScript()));
  evaluate(std::string(navigationHookScript()));
  flush();
  EXPECT_EQ(counts().size(), 1u);
  EXPECT_EQ(posted("navLinks").size(), 1u);
  EXPECT_EQ(evaluate("window.__intervals.length"), "1");
  EXPECT_EQ(evaluate("[window.__vlmBadgeHooked, window.__vlmNavHooked]"), "[true,true]");
}

TEST_F(PageScriptsTest, RunsOncePerMainFrameDocumentAndNeverInOtherFrames) {
  load("/bridge/frames");
  EXPECT_EQ(counts(), std::vector<double>{0}) << "the embedded portal's count must not arrive";
  EXPECT_TRUE(labels().empty());

  load("/bridge/portal");
  evaluate("history.pushState({}, '', '/portal/vehicles'); location.hash = 'top';");
  flush();
  EXPECT_EQ(counts().size(), 1u) << "a change without a new document is not reported";
  EXPECT_EQ(posted("navLinks").size(), 1u);
}

// The page's own code shares the document with the scripts but nothing
// else: it cannot post as them, nor see or set their guard flags.
TEST_F(PageScriptsTest, ThePagesOwnCodeCannotReachTheHandlersOrTheGuards) {
  load("/bridge/count?text=2");
  const std::string probe = "[typeof window.__vlmBadgeHooked, typeof window.__vlmNavHooked,"
                            " !!(window.webkit && window.webkit.messageHandlers &&"
                            "    window.webkit.messageHandlers.navLinks)]";
  EXPECT_EQ(evaluateIn(WEBKIT_WEB_VIEW(view->widget()), probe),
            "[\"undefined\",\"undefined\",false]");
}

} // namespace
} // namespace velmora::testing
