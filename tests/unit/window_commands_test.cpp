// The window commands: zoom arithmetic and the saved zoom, the find bar's
// status and steps, and when the page commands have a page to act on.
#include "browser_fixture.hpp"
#include "gtk/find_in_page.hpp"
#include "window/page_zoom.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace velmora {
namespace {

using Fixture = testing::Browser;
using testing::Strings;

// The step is added to the factor as read, so rounding accumulates; only the
// clamps give exact values. Each result is saved rounded to millionths, so
// the settings file reads as the user would write it.
TEST(ZoomTest, StepsByATenthFromTheFactorAsReadWithinOneHalfToThreeAndSavesIt) {
  using Command = void (BrowserWindowController::*)();
  struct Row {
    const char* name;
    double start;
    Command command;
    double expected;
    const char* saved;
  };
  const Command in = &BrowserWindowController::zoomIn, out = &BrowserWindowController::zoomOut;
  const Row rows[] = {
      {"in again accumulates rounding, the saved text does not", 1.1, in, 1.2000000000000002,
       "1.2"},
      {"in just below the top", 2.9000000000000017, in, 3.0, "3"},
      {"out just above the bottom is kept", 0.6000000000000001, out, 0.5000000000000001, "0.5"},
      {"out at the bottom", 0.5, out, 0.5, "0.5"},
      {"out from a finer step keeps it", 0.75, out, 0.65, "0.65"},
  };
  for (const Row& row : rows) {
    Fixture f;
    f.fake.webView().zoom = row.start;
    ((*f.controller).*row.command)();
    EXPECT_EQ(f.fake.webView().zoom, row.expected) << row.name;
    EXPECT_EQ(f.fake.windows.savedValues[std::string(pageZoomKey)], row.saved) << row.name;
  }
}

TEST(ZoomTest, TheSavedZoomIsRestoredAndDamagedTextMeansActualSize) {
  struct Row {
    const char* name;
    std::optional<std::string> saved;
    double expected;
  };
  const Row rows[] = {
      {"nothing saved", std::nullopt, 1.0},
      {"accumulated rounding kept exactly", "2.9000000000000017", 2.9000000000000017},
      {"the top", "3", 3.0},
      {"the bottom", "0.5", 0.5},
      {"trailing junk", "1.5x", 1.0},
      {"not a number", "nan", 1.0},
      {"below the bottom", "0.49", 1.0},
      {"above the top", "3.01", 1.0},
  };
  for (const Row& row : rows) {
    testing::FakeDesktop fake;
    fake.settings.values["serverURL"] = "https://acme.example.test";
    if (row.saved)
      fake.windows.savedValues[std::string(pageZoomKey)] = *row.saved;
    BrowserWindowController controller(fake.desktop, nullptr);
    EXPECT_EQ(fake.webView().zoom, row.expected) << row.name;
  }
}

TEST(FindInPageTest, StatusSaysWhereTheBarStandsAmongTheMatches) {
  const unsigned tooMany = std::numeric_limits<unsigned>::max();
  struct Row {
    const char* name;
    bool hasText;
    std::optional<FindMatches> matches;
    const char* expected;
  };
  const Row rows[] = {
      {"empty field", false, FindMatches{0, 0}, ""},
      {"still counting", true, std::nullopt, ""},
      {"counted before the first is selected", true, FindMatches{0, 3}, "3 matches"},
      {"counted one before it is selected", true, FindMatches{0, 1}, "1 match"},
      {"at the limit", true, FindMatches{7, maxFindMatches}, "7 of 1000"},
      {"past the limit", true, FindMatches{7, tooMany}, "More than 1000 matches"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(findStatusText(row.hasText, row.matches), row.expected) << row.name;
}

TEST(FindInPageTest, StepsWrapAroundAsTheEngineDoes) {
  using enum FindDirection;
  struct Row {
    const char* name;
    FindMatches matches;
    FindDirection direction;
    unsigned expected;
  };
  const Row rows[] = {
      {"next with none selected is the first", {0, 3}, forward, 1},
      {"previous with none selected is the last", {0, 3}, backward, 3},
      {"no matches", {0, 0}, forward, 0},
      {"a stale position past the end", {9, 3}, backward, 3},
      {"too many to count keeps its place", {5, maxFindMatches + 1}, forward, 5},
  };
  for (const Row& row : rows)
    EXPECT_EQ(steppedMatch(row.matches, row.direction), row.expected) << row.name;
}

// The error screen hides the page: Print and Find have nothing to act on
// until a page is back, and the menus are told at once both times.
TEST(PageCommandTest, PrintAndFindAreOffUnderTheErrorScreen) {
  Fixture f;
  const int validations = f.fake.application.menuInvalidations;
  f.loads().didFailProvisionalNavigation(WebError{-1004, "refused"});
  EXPECT_EQ(f.fake.application.menuInvalidations, validations + 1);
  for (Action action :
       {Action::printPage, Action::showFindBar, Action::findNext, Action::findPrevious})
    EXPECT_FALSE(f.controller->validateMenuItem(action)) << static_cast<int>(action);
  f.controller->reloadPage();
  EXPECT_EQ(f.fake.application.menuInvalidations, validations + 2);
  EXPECT_TRUE(f.controller->validateMenuItem(Action::printPage));
}

// Copy Page Address and Open Page in Browser act on the platform page on
// show, and on nothing else: no page yet, another site's address the engine
// still reports, or the error screen over the page.
TEST(PageCommandTest, PageAddressCommandsTakeOnlyThePlatformPageOnShow) {
  struct Row {
    const char* name;
    std::optional<std::string> onShow;
    bool errorScreen;
    bool acts;
  };
  const Row rows[] = {
      {"the www twin", "https://www.acme.example.test/jobs", false, true},
      {"no page yet", std::nullopt, false, false},
      {"another site", "https://elsewhere.test/", false, false},
      {"under the error screen", "https://acme.example.test/jobs", true, false},
  };
  for (const Row& row : rows) {
    Fixture f;
    if (row.onShow)
      f.fake.webView().currentURL = Url::parse(*row.onShow);
    if (row.errorScreen)
      f.loads().didFailProvisionalNavigation(WebError{-1004, "refused"});
    EXPECT_EQ(f.controller->validateMenuItem(Action::copyPageAddress), row.acts) << row.name;
    EXPECT_EQ(f.controller->validateMenuItem(Action::openPageInBrowser), row.acts) << row.name;
    f.controller->copyPageAddress();
    f.controller->openPageInBrowser();
    EXPECT_EQ(f.fake.clipboard.text, row.acts ? row.onShow : std::nullopt) << row.name;
    EXPECT_EQ(f.opened(), row.acts ? Strings{*row.onShow} : Strings{}) << row.name;
  }
}

} // namespace
} // namespace velmora
