// The two injected page scripts in the real engine: the application's
// window loads the sample platform's pages and the messages its scripts
// post are recorded.
#include "bridge/page_scripts.hpp"
#include "engine_window.hpp"
#include "gtk/web_view.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora::testing {
namespace {

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
constexpr const char* recordIntervals =
    "window.__intervals = [];"
    "window.setInterval = function (callback, delay) {"
    "  window.__intervals.push({callback: callback, delay: delay});"
    "  return window.__intervals.length;"
    "};";

// The window as the application makes it, its page scripts and all, with
// the messages they post recorded as they reach the window.
class PageScriptsTest : public ::testing::Test {
protected:
  void SetUp() override {
    WebKitUserContentManager* scripts = webkit_web_view_get_user_content_manager(window.webView());
    WebKitUserScript* intervals = webkit_user_script_new_for_world(
        recordIntervals, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, gtk::pageScriptsWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(scripts, intervals);
    webkit_user_script_unref(intervals);
    for (const char* name :
         {"script-message-received::bellCount", "script-message-received::navLinks"})
      signals.emplace_back(scripts, name, G_CALLBACK(record), this);
    ASSERT_TRUE(window.waitForPage(platform.url() + "/login"));
  }

  static void record(WebKitUserContentManager* scripts, JSCValue* value, gpointer self) {
    ScriptMessage message;
    message.name = g_quark_to_string(g_signal_get_invocation_hint(scripts)->detail);
    GCharPtr json(jsc_value_to_json(value, 0));
    if (auto body = json ? scriptValueFromJson(json.get()) : std::nullopt)
      message.body = std::move(*body);
    static_cast<PageScriptsTest*>(self)->messages.push_back(message);
  }

  void load(const std::string& path) {
    window.settle();
    messages.clear();
    window.load(platform.url() + path);
    ASSERT_TRUE(window.waitForPage(platform.url() + path)) << path;
    flush();
  }

  // Runs a script beside the page scripts, where their globals and the
  // message handlers are; gives its result as JSON, none when it raised.
  std::optional<std::string> evaluate(const std::string& script) {
    return evaluateIn(window.webView(), script, gtk::pageScriptsWorld);
  }

  void flush() {
    const std::string marker = std::string(flushPrefix) + std::to_string(++flushes);
    evaluate("window.webkit.messageHandlers.navLinks.postMessage('" + marker + "')");
    ASSERT_TRUE(waitUntil([&] {
      return std::ranges::any_of(messages, [&](const ScriptMessage& m) {
        return m.body.string() && *m.body.string() == marker;
      });
    }));
  }

  std::vector<ScriptValue> posted(const std::string& name) const {
    std::vector<ScriptValue> bodies;
    for (const ScriptMessage& message : messages)
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
  std::vector<ScriptMessage> messages;
  EngineWindow window{platform.url()};
  std::vector<ScopedSignal> signals;
  int flushes = 0;
};

// Once when the page is ready, then every 30 s even when nothing changed,
// and at once on every change inside the count element.
TEST_F(PageScriptsTest, ReportsTheUnreadCountWhenReadyPeriodicallyAndOnEveryChange) {
  struct Row {
    const char* name;
    const char* query;
    double count;
  };
  const Row rows[] = {
      {"grouping separator", "?text=1%2C204", 1204},
      {"no digits", "?text=new", 0},
      {"hidden attribute", "?text=7&hidden=1", 0},
      {"hidden by style only", "?text=7&styled=1", 7},
      {"more digits than a count holds", "?text=12345678901234567890", 12345678901234567890.0},
      {"no count element", "", 0},
  };
  for (const Row& row : rows) {
    load(std::string("/bridge/count") + row.query);
    EXPECT_EQ(counts(), std::vector<double>{row.count}) << row.name;
  }

  // Still on the page without a count element.
  EXPECT_EQ(evaluate("window.__intervals.map(function (i) { return i.delay; })"), "[30000]")
      << "one period of 30 s, asked for once";
  evaluate("window.__intervals[0].callback()");
  evaluate("window.__intervals[0].callback()");
  flush();
  EXPECT_EQ(counts(), (std::vector<double>{0, 0, 0}));

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

// Labels leave badges out, collapse white space and stop at sixty code
// units; only same-origin links are offered, each once.
TEST_F(PageScriptsTest, OffersEachSameOriginLinkOnceWithACleanShortLabel) {
  struct Row {
    const char* page;
    std::vector<Link> links;
  };
  const Row rows[] = {
      {"/bridge/labels",
       {
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
           // The cut falls inside the truck's surrogate pair; the half left
           // over arrives as the replacement character.
           {"Exactly fifty-nine code units of text come before the truck\xEF\xBF\xBD", "/emoji"},
       }},
      {"/bridge/filters",
       {
           {"Open jobs", "/jobs#open"},
           {"Drivers", "/drivers"},
           {"Trucks", "/trucks", true}, // the first of two anchors wins
           {"Jobs, open", "/jobs?status=open"},
           {"Jobs", "/jobs"},
       }},
  };
  for (const Row& row : rows) {
    load(row.page);
    EXPECT_EQ(links(), row.links) << row.page;
  }
}

// The first container in precedence that yields links gives the list, cut
// to 24 before the sign-out link is added: once, and where the page put it
// when it is among the first 24.
TEST_F(PageScriptsTest, TakesTheFirstContainerThatYieldsLinksCutToTwentyFourBeforeSigningOut) {
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
    const char* page;
    std::vector<std::string> labels;
    double count;
  };
  const Row rows[] = {
      {"/bridge/precedence", {"My requests", "My invoices"}, 0},
      {"/bridge/tabs", {"Details", "Photos", "Billing", "Sign out"}, 12},
      {"/bridge/bottomnav", {"Today", "History", "Profile"}, 1204},
      {"/bridge/secnav", {"Company", "Users", "Rates", "Sign out"}, 99},
      {"/bridge/sectionnav", {"Daily", "Monthly"}, 0},
      {"/login", {}, 0},
      {"/bridge/long?signout=none", sections(1, 24), 0},
      {"/bridge/long?signout=outside", with(sections(1, 24), 24), 0},
      // Already among the first 24: kept where it stands, not added again.
      {"/bridge/long?signout=early", with(sections(1, 23), 3), 0},
      // Beyond the 24th link: cut off with the rest, then appended.
      {"/bridge/long?signout=late", with(sections(1, 24), 24), 0},
      {"/bridge/portal", {"Tow requests", "Vehicles", "Invoices", "Sign out"}, 1},
  };
  for (const Row& row : rows) {
    load(row.page);
    EXPECT_EQ(labels(), row.labels) << row.page;
    EXPECT_EQ(counts(), std::vector<double>{row.count}) << row.page;
  }
  // Still on the portal.
  EXPECT_TRUE(links().at(0).current);
  EXPECT_EQ(links().at(3).href, "/logout") << "the sign-out link is not added twice";
}

// The scripts report once per main-frame document: never from another
// frame, never again after a change without a new document, nor when run a
// second time in it. The page's own code shares the document with them but
// nothing else: it cannot post as them, nor see or set their guard flags.
TEST_F(PageScriptsTest, RunOncePerMainFrameDocumentOutOfThePagesReach) {
  load("/bridge/frames");
  EXPECT_EQ(counts(), std::vector<double>{0}) << "the embedded portal's count must not arrive";
  EXPECT_TRUE(labels().empty());

  load("/bridge/portal");
  evaluate("history.pushState({}, '', '/portal/vehicles'); location.hash = 'top';");
  evaluate(std::string(badgeHookScript()));
  evaluate(std::string(navigationHookScript()));
  flush();
  EXPECT_EQ(counts().size(), 1u);
  EXPECT_EQ(posted("navLinks").size(), 1u);
  EXPECT_EQ(evaluate("window.__intervals.length"), "1");

  const std::string probe = "[typeof window.__vlmBadgeHooked, typeof window.__vlmNavHooked,"
                            " !!(window.webkit && window.webkit.messageHandlers &&"
                            "    window.webkit.messageHandlers.navLinks)]";
  EXPECT_EQ(evaluateIn(window.webView(), probe), "[\"undefined\",\"undefined\",false]");
}

} // namespace
} // namespace velmora::testing
