// The window commands and the toolbar: zoom arithmetic, history steps and
// their validation, the error overlay, and the back/forward control.
#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;

struct Fixture {
  Fixture() { fake.settings.values["serverURL"] = "https://acme.example.test"; }
  FakeDesktop fake;
  BrowserWindowController controller{fake.desktop};
};

TEST(ZoomTest, StepsInFromActualSizeUntilClampedAtThree) {
  Fixture f;
  std::vector<double> seen;
  for (int step = 0; step < 21; ++step) {
    f.controller.zoomIn();
    seen.push_back(f.fake.webView().zoom);
  }
  // The step is added to the factor as read, so rounding accumulates.
  EXPECT_EQ(seen[1], 1.0 + 0.1 + 0.1);
  EXPECT_NE(seen[1], 1.2);
  EXPECT_EQ(seen[18], 2.9000000000000017) << "19th step";
  EXPECT_EQ(seen[19], 3.0) << "20th step is clamped";
  EXPECT_EQ(seen[20], 3.0) << "and stays there";
}

TEST(ZoomTest, StepsOutFromActualSizeUntilClampedAtOneHalf) {
  Fixture f;
  std::vector<double> seen;
  for (int step = 0; step < 7; ++step) {
    f.controller.zoomOut();
    seen.push_back(f.fake.webView().zoom);
  }
  EXPECT_EQ(seen[4], 0.5000000000000001) << "5th step is above the limit and kept";
  EXPECT_EQ(seen[5], 0.5) << "6th step";
  EXPECT_EQ(seen[6], 0.5);
}

TEST(ZoomTest, FactorsOutsideTheRangeComeBackInOneStep) {
  struct Row {
    const char* name;
    double start;
    void (BrowserWindowController::*command)();
    double expected;
  };
  const Row rows[] = {
      {"in from above the top", 4.0, &BrowserWindowController::zoomIn, 3.0},
      {"in from just below the top", 2.95, &BrowserWindowController::zoomIn, 3.0},
      {"out from below the bottom", 0.25, &BrowserWindowController::zoomOut, 0.5},
      {"out landing exactly on the bottom", 0.6, &BrowserWindowController::zoomOut, 0.5},
      {"actual size from far in", 2.9000000000000017, &BrowserWindowController::zoomActual, 1.0},
      {"actual size from far out", 0.5, &BrowserWindowController::zoomActual, 1.0},
  };
  for (const Row& row : rows) {
    Fixture f;
    f.fake.webView().zoom = row.start;
    (f.controller.*row.command)();
    EXPECT_EQ(f.fake.webView().zoom, row.expected) << row.name;
  }
}

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
    EXPECT_EQ(f.controller.validateMenuItem(Action::goBack), row.canGoBack) << row.name;
    EXPECT_EQ(f.controller.validateMenuItem(Action::goForward), row.canGoForward) << row.name;
    // Everything else, zoom at its limits included, stays enabled.
    for (Action other : {Action::reloadPage, Action::goHome, Action::zoomIn, Action::zoomOut,
                         Action::zoomActual, Action::goToPath})
      EXPECT_TRUE(f.controller.validateMenuItem(other)) << row.name;
    EXPECT_TRUE(f.controller.validateMenuItem(std::nullopt)) << row.name;

    f.controller.goBack();
    f.controller.goForward();
    EXPECT_EQ(f.fake.webView().backs, row.canGoBack ? 1 : 0) << row.name;
    EXPECT_EQ(f.fake.webView().forwards, row.canGoForward ? 1 : 0) << row.name;
  }
}

TEST(HistoryCommandTest, AChangedHistoryRevalidatesTheMenus) {
  Fixture f;
  const int before = f.fake.application.menuInvalidations;
  f.controller.backForwardListDidChange();
  EXPECT_EQ(f.fake.application.menuInvalidations, before + 1);
}

TEST(OverlayCommandTest, ReloadAndDashboardRemoveTheOverlayBeforeLoading) {
  Fixture f;
  f.controller.showErrorOverlay("Could not connect to the server.");
  ASSERT_NE(f.fake.window().shownOverlay(), nullptr);
  f.controller.reloadPage();
  EXPECT_EQ(f.fake.window().shownOverlay(), nullptr);
  EXPECT_FALSE(f.controller.hasErrorOverlay());
  EXPECT_EQ(f.fake.webView().reloads, 1);

  f.controller.showErrorOverlay("Could not connect to the server.");
  const size_t loads = f.fake.webView().loadedRequests.size();
  f.controller.goHome();
  EXPECT_EQ(f.fake.window().shownOverlay(), nullptr);
  ASSERT_EQ(f.fake.webView().loadedRequests.size(), loads + 1);
  EXPECT_EQ(f.fake.webView().loadedRequests.back().url.absoluteString(),
            "https://acme.example.test/login");
}

TEST(OverlayCommandTest, BackAndForwardLeaveTheOverlayToTheNavigationTheyStart) {
  Fixture f;
  f.fake.webView().backPossible = true;
  f.fake.webView().forwardPossible = true;
  f.controller.showErrorOverlay("Could not connect to the server.");
  f.controller.goBack();
  f.controller.goForward();
  f.controller.backForward(0);
  EXPECT_NE(f.fake.window().shownOverlay(), nullptr);
  EXPECT_TRUE(f.controller.hasErrorOverlay());
}

TEST(OverlayCommandTest, DashboardWithoutAStoredServerOpensTheFirstRunPanelInstead) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  fake.mainQueue.drain();
  fake.alerts.shown.clear(); // the launch panel, set aside unanswered
  controller.showErrorOverlay("Could not connect to the server.");
  controller.goHome();
  EXPECT_EQ(fake.window().shownOverlay(), nullptr);
  EXPECT_TRUE(fake.webView().loadedRequests.empty());
  fake.mainQueue.drain();
  ASSERT_NE(fake.alerts.current(), nullptr);
  EXPECT_EQ(fake.alerts.current()->messageText, "Connect to your towing platform");
}

TEST(ToolbarTest, OffersOnlyTheBackForwardItemThenFlexibleSpace) {
  Fixture f;
  const std::vector<std::string> expected{"haulvaneBack", "NSToolbarFlexibleSpaceItem"};
  EXPECT_EQ(f.controller.toolbarDefaultItemIdentifiers(), expected);
  EXPECT_EQ(f.controller.toolbarAllowedItemIdentifiers(), expected);
  ASSERT_TRUE(f.fake.window().toolbar);
  EXPECT_EQ(f.fake.window().toolbar->identifier, "HaulvaneNav");
  EXPECT_FALSE(f.fake.window().toolbar->allowsUserCustomization);

  const auto item = f.controller.itemForItemIdentifier("haulvaneBack", true);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->identifier, "haulvaneBack");
  EXPECT_EQ(item->label, "Back");
  EXPECT_EQ(item->segmentLabels, (std::vector<std::string>{"\u2039", "\u203A"}));
  EXPECT_TRUE(item->momentary);
  EXPECT_TRUE(item->separated);
  EXPECT_TRUE(item->navigational);

  for (const char* other : {"HaulvaneBack", "haulvaneBack ", "NSToolbarFlexibleSpaceItem", ""})
    EXPECT_FALSE(f.controller.itemForItemIdentifier(other, true)) << other;
}

TEST(ToolbarTest, SegmentsStepThroughTheHistoryOnlyWhereItGoesOn) {
  Fixture f;
  f.controller.backForward(0);
  f.controller.backForward(1);
  EXPECT_EQ(f.fake.webView().backs, 0);
  EXPECT_EQ(f.fake.webView().forwards, 0);

  f.fake.webView().backPossible = true;
  f.fake.webView().forwardPossible = true;
  f.controller.backForward(0);
  EXPECT_EQ(f.fake.webView().backs, 1);
  // Any segment other than the first means forward.
  f.controller.backForward(1);
  f.controller.backForward(7);
  EXPECT_EQ(f.fake.webView().forwards, 2);
}

} // namespace
} // namespace velmora
