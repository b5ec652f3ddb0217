// The window commands: zoom arithmetic, history steps and their validation,
// from the menus and from the back/forward control.
#include "browser_fixture.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Fixture = testing::Browser;

// The step is added to the factor as read, so rounding accumulates; only the
// clamps give exact values.
TEST(ZoomTest, StepsByATenthFromTheFactorAsReadWithinOneHalfToThree) {
  using Command = void (BrowserWindowController::*)();
  struct Row {
    const char* name;
    double start;
    Command command;
    double expected;
  };
  const Command in = &BrowserWindowController::zoomIn, out = &BrowserWindowController::zoomOut,
                actual = &BrowserWindowController::zoomActual;
  const Row rows[] = {
      {"in from actual size", 1.0, in, 1.1},
      {"in again accumulates rounding", 1.1, in, 1.2000000000000002},
      {"in just below the top", 2.9000000000000017, in, 3.0},
      {"in at the top", 3.0, in, 3.0},
      {"in from above the top", 4.0, in, 3.0},
      {"out just above the bottom is kept", 0.6000000000000001, out, 0.5000000000000001},
      {"out landing exactly on the bottom", 0.6, out, 0.5},
      {"out at the bottom", 0.5, out, 0.5},
      {"out from below the bottom", 0.25, out, 0.5},
      {"actual size from far in", 2.9000000000000017, actual, 1.0},
      {"actual size from far out", 0.5, actual, 1.0},
  };
  for (const Row& row : rows) {
    Fixture f;
    f.fake.webView().zoom = row.start;
    ((*f.controller).*row.command)();
    EXPECT_EQ(f.fake.webView().zoom, row.expected) << row.name;
  }
}

// Menu items, keys and the toolbar's segments (0 is back, any other forward)
// all step only where the history goes on.
TEST(HistoryCommandTest, BackAndForwardAreEnabledOnlyWhenThereIsSomewhereToGo) {
  struct Row {
    const char* name;
    bool canGoBack, canGoForward;
  };
  const Row rows[] = {{"only page", false, false},
                      {"start of history", false, true},
                      {"end of history", true, false},
                      {"middle", true, true}};
  for (const Row& row : rows) {
    Fixture f;
    f.fake.webView().backPossible = row.canGoBack;
    f.fake.webView().forwardPossible = row.canGoForward;
    EXPECT_EQ(f.controller->validateMenuItem(Action::goBack), row.canGoBack) << row.name;
    EXPECT_EQ(f.controller->validateMenuItem(Action::goForward), row.canGoForward) << row.name;
    // Everything else, zoom at its limits included, stays enabled.
    for (Action other : {Action::reloadPage, Action::goHome, Action::zoomIn, Action::zoomOut,
                         Action::zoomActual, Action::goToPath})
      EXPECT_TRUE(f.controller->validateMenuItem(other)) << row.name;
    EXPECT_TRUE(f.controller->validateMenuItem(std::nullopt)) << row.name;

    f.controller->goBack();
    f.controller->goForward();
    f.controller->backForward(0);
    f.controller->backForward(1);
    f.controller->backForward(7);
    EXPECT_EQ(f.fake.webView().backs, row.canGoBack ? 2 : 0) << row.name;
    EXPECT_EQ(f.fake.webView().forwards, row.canGoForward ? 3 : 0) << row.name;

    const int validations = f.fake.application.menuInvalidations;
    f.controller->backForwardListDidChange();
    EXPECT_EQ(f.fake.application.menuInvalidations, validations + 1) << "menus revalidated";
  }
}

} // namespace
} // namespace velmora
