// The application's side of the page bridge: the count, the messages and
// the Go menu.
#include "bridge/go_menu.hpp"
#include "bridge/script_messages.hpp"
#include "browser_fixture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

ScriptValue number(double value) {
  return ScriptValue{value};
}
ScriptValue text(std::string value) {
  return ScriptValue{std::move(value)};
}

ScriptDictionary link(std::string label, std::string href, ScriptValue current = {false}) {
  return ScriptDictionary{
      {"label", text(std::move(label))}, {"href", text(std::move(href))}, {"current", current}};
}

ScriptValue listOf(const std::vector<ScriptDictionary>& links) {
  ScriptArray array;
  for (const auto& entry : links)
    array.push_back(ScriptValue{entry});
  return ScriptValue{array};
}

TEST(CountFromMessageBodyTest, ReadsNumbersAndNothingElse) {
  struct Row {
    const char* name;
    ScriptValue body;
    std::int64_t count;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Row rows[] = {
      {"a fraction truncates toward zero", number(-2.9), -2},
      {"largest double below 2^63", number(9223372036854774784.0), 9223372036854774784},
      {"2^63 is just beyond the range", number(9223372036854775808.0), int64Max},
      {"-2^63 is the bottom of the range", number(-9223372036854775808.0), int64Min},
      {"not a number", number(nan), 0},
      {"numeric string", text("5"), 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(countFromMessageBody(row.body), row.count) << row.name;
}

TEST(BadgeLabelForCountTest, ShowsPositiveCountsInFullInTheBadgeAndTheTitleAndNothingElse) {
  struct Row {
    std::int64_t count;
    const char* label;
  };
  const Row rows[] = {
      {0, ""}, {1, "1"}, {1234, "1234"}, {int64Min, ""}, {int64Max, "9223372036854775807"}};
  for (const Row& row : rows) {
    EXPECT_EQ(badgeLabelForCount(row.count), row.label) << row.count;
    EXPECT_EQ(windowTitleForCount(row.count),
              *row.label ? "Velmora (" + std::string(row.label) + ")" : "Velmora")
        << row.count;
  }
}

// The controller with a signed-in server and its Go menu in place.
struct Controller : testing::Browser {
  void post(const char* name, ScriptValue body) {
    controller->bridge().didReceiveScriptMessage(ScriptMessage{name, std::move(body)});
  }
  [[nodiscard]] std::vector<std::string> menuTitles() const {
    std::vector<std::string> titles;
    for (const MenuItem& item : fake.application.goMenu.items)
      titles.push_back(item.isSeparator ? "-" : item.title);
    return titles;
  }
};

// A count report sets the badge and the title; failed loads, the error
// overlay and messages under other names leave them as they are.
TEST(ScriptMessageTest, CountReportsAndNothingElseSetTheBadge) {
  Controller c;
  EXPECT_FALSE(c.fake.dockTile.badgeLabel) << "no badge until a page reports";
  c.post("navLinks", listOf({link("Jobs", "https://acme.example.test/jobs")}));
  for (ScriptValue body : {number(3), text("5"), number(150)}) {
    c.post("bellCount", body);
    c.fake.mainQueue.advance(1s);
  }
  c.loads().didStartProvisionalNavigation();
  c.loads().didFailProvisionalNavigation(WebError{-1004, "Could not connect to the server."});
  c.controller->reloadPage();
  for (const char* name : {"BellCount", "navlinks", "bellCount ", "", "download"}) {
    c.post(name, number(9));
    c.post(name, listOf({}));
  }
  c.fake.mainQueue.advance(1s);
  EXPECT_EQ(c.fake.dockTile.badgeHistory, (std::vector<std::string>{"3", "", "150"}));
  EXPECT_EQ(c.fake.window().title, "Velmora (150)");
  EXPECT_EQ(c.menuTitles(), std::vector<std::string>{"Jobs"});
}

// Each badge is a signal every dock on the desktop wakes up for. Reports
// that change nothing send nothing; a change right after a send waits out
// the quarter second, and the latest report goes then, while the title
// follows each report at once; one back to what the dock shows goes nowhere.
TEST(ScriptMessageTest, ABadgeGoesToTheDockOnlyWhenItChangesAndAtMostFourTimesASecond) {
  Controller c;
  const auto sent = [&] { return c.fake.dockTile.badgeHistory; };
  c.post("bellCount", number(3));
  c.post("bellCount", number(3));
  c.fake.mainQueue.advance(1s);
  c.post("bellCount", number(3));
  c.fake.mainQueue.advance(1s);
  EXPECT_EQ(sent(), std::vector<std::string>{"3"}) << "unchanged counts";

  c.post("bellCount", number(8));
  c.post("bellCount", number(9));
  c.post("bellCount", number(10));
  EXPECT_EQ(c.fake.window().title, "Velmora (10)");
  c.fake.mainQueue.advance(249ms);
  EXPECT_EQ(sent().back(), "8");
  c.fake.mainQueue.advance(1ms);
  EXPECT_EQ(sent().back(), "10");
  const auto before = sent().size();
  c.post("bellCount", number(11));
  c.post("bellCount", number(10));
  c.fake.mainQueue.advance(1s);
  EXPECT_EQ(sent().size(), before);
}

// A body that is not a list of dictionaries counts as an empty list; a list
// whose dictionaries are all unusable gives an empty menu, not Sign In.
TEST(ScriptMessageTest, LinkListsOfTheWrongShapeReplaceTheMenu) {
  const ScriptValue jobs{link("Jobs", "https://acme.example.test/jobs")};
  const ScriptArray unusable{ScriptValue{ScriptDictionary{{"href", text("/jobs")}}},
                             ScriptValue{ScriptDictionary{{"label", text("Jobs")}}}};
  struct Row {
    const char* name;
    ScriptValue body;
    std::vector<std::string> menu;
  };
  const Row rows[] = {
      {"text", text("Jobs"), {"Sign In"}},
      {"list with a number", ScriptValue{ScriptArray{jobs, number(2)}}, {"Sign In"}},
      {"dictionaries without label or address", ScriptValue{unusable}, {}},
  };
  for (const Row& row : rows) {
    Controller c;
    c.post("navLinks", listOf({link("Jobs", "https://acme.example.test/jobs")}));
    c.post("navLinks", row.body);
    EXPECT_EQ(c.menuTitles(), row.menu) << row.name;
  }
}

// A set-up link the user clicked is handed on only from the platform's own
// page: the question names the link's server, never that of a page on show
// elsewhere.
TEST(ScriptMessageTest, AClickedSetUpLinkAsksToConnectOnlyFromThePlatformsPage) {
  const char* link = "haulvane://connect?server=dispatch.other.test";
  struct Row {
    const char* name;
    const char* page;
    ScriptValue body;
    bool asks;
  };
  const Row rows[] = {
      {"the platform's page", "https://acme.example.test/jobs", text(link), true},
      {"another site's page", "https://evil.test/", text(link), false},
      {"the platform's host on another port", "https://acme.example.test:8443/", text(link), false},
      {"not a set-up link", "https://acme.example.test/jobs", text("https://dispatch.other.test"),
       false},
      {"not text", "https://acme.example.test/jobs", number(1), false},
  };
  for (const Row& row : rows) {
    Controller c;
    c.fake.webView().currentURL = Url::parse(row.page);
    c.post("connectLink", row.body);
    EXPECT_EQ(c.fake.alerts.current() != nullptr, row.asks) << row.name;
  }
}

// Each entry as "title:key", ":on" when current; "-" for a separator.
std::vector<std::string> describe(const std::vector<GoMenuEntry>& entries) {
  std::vector<std::string> result;
  for (const GoMenuEntry& entry : entries) {
    if (entry.kind == GoMenuEntry::Kind::separator)
      result.push_back("-");
    else
      result.push_back(entry.title + ":" + entry.keyEquivalent + (entry.stateOn ? ":on" : ""));
  }
  return result;
}

TEST(GoMenuEntriesTest, AHugeListIsCutToTheMenusLimitCountingOnlyUsableLinks) {
  std::vector<ScriptDictionary> links(50, ScriptDictionary{}); // skipped, not counted
  for (int i = 0; i < 100000; ++i) {
    const std::string n = std::to_string(i);
    links.push_back(link("Job " + n, "https://acme.example.test/j" + n));
  }
  const auto entries = buildGoMenuEntries(links);
  ASSERT_EQ(entries.size(), maxGoMenuLinks);
  EXPECT_EQ(entries.back().title, "Job " + std::to_string(maxGoMenuLinks - 1));
}

TEST(GoMenuEntriesTest, BuildsEntriesFromTheReportedLinks) {
  struct Row {
    const char* name;
    std::vector<ScriptDictionary> links;
    std::vector<std::string> entries;
  };
  const auto at = [](const std::string& path) { return "https://acme.example.test" + path; };
  std::vector<ScriptDictionary> twelve;
  std::vector<std::string> numbered;
  for (int i = 1; i <= 12; ++i) {
    const std::string n = std::to_string(i);
    twelve.push_back(link("Section " + n, at("/s" + n)));
    numbered.push_back("Section " + n + ":" + (i <= 9 ? n : ""));
  }
  twelve.push_back(link("Sign out", at("/logout")));
  numbered.insert(numbered.end(), {"-", "Sign out:"});
  const Row rows[] = {
      {"the first nine numbered, sign-out set apart", twelve, numbered},
      {"only a sign-out link", {link("Sign out", at("/logout"))}, {"Sign out:"}},
      {"only the path makes a sign-out link",
       {link("Log out now", at("/logoutnow")), link("Help", at("/help#/logout"))},
       {"Log out now:1", "Help:2"}},
      {"an address with a broken host takes no number",
       {link("Broken", "https://[::1/jobs"), link("Jobs", at("/jobs"))},
       {"Jobs:1"}},
      {"relative addresses parse",
       {link("Jobs", "/jobs"), link("Sign out", "/logout")},
       {"Jobs:1", "-", "Sign out:"}},
      {"only the boolean true is current",
       {link("A", at("/a"), ScriptValue{true}), link("B", at("/b"), text("true")),
        link("C", at("/c"), number(1)),
        ScriptDictionary{{"label", text("D")}, {"href", text(at("/d"))}}},
       {"A:1:on", "B:2", "C:3", "D:4"}},
      {"entries without a string label or address are skipped",
       {ScriptDictionary{{"label", number(1)}, {"href", text(at("/x"))}},
        ScriptDictionary{{"label", text("No address")}}, link("Jobs", at("/jobs"))},
       {"Jobs:1"}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(describe(buildGoMenuEntries(row.links)), row.entries) << row.name;
}

// Half a surrogate pair becomes the replacement character rather than
// failing the whole message.
TEST(ScriptValueJsonTest, ReadsPageValuesWithoutLosingThemToOddEncodings) {
  struct Row {
    const char* name;
    const char* json;
    const char* text;
  };
  const Row rows[] = {
      {"a whole pair stays", R"("truck \ud83d\ude9a")", "truck \xF0\x9F\x9A\x9A"},
      {"lone low half", R"("\ude9a!")", "\xEF\xBF\xBD!"},
      {"high half before another escape", R"("\ud83d\n")", "\xEF\xBF\xBD\n"},
      {"an escaped quote keeps the string open", R"("\"\ud83d")", "\"\xEF\xBF\xBD"},
  };
  for (const Row& row : rows) {
    const auto value = scriptValueFromJson(row.json);
    ASSERT_TRUE(value && value->string()) << row.name;
    EXPECT_EQ(*value->string(), row.text) << row.name;
  }
  EXPECT_FALSE(scriptValueFromJson(R"("\ud83d)")) << "still not JSON";

  // A zero with a huge exponent is zero, not NaN.
  for (const char* json : {"0e410", "-0e999", "0.0E+400"}) {
    const auto value = scriptValueFromJson(json);
    ASSERT_TRUE(value && value->number()) << json;
    EXPECT_EQ(*value->number(), 0.0) << json;
  }
}

} // namespace
} // namespace velmora
