// The window controller as download delegate, through the double: where
// files go, what finishing and failing show, and the dock's progress bar.
#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;
using Path = std::filesystem::path;

const Path downloads = "/home/user/Downloads";

struct Decision {
  int calls = 0;
  std::optional<Path> destination;
};

// Asks the controller for a destination and records every answer.
Decision decide(BrowserWindowController& controller, DownloadIdentity download,
                const std::string& suggested) {
  Decision decision;
  controller.decideDestinationUsingResponse(download, suggested,
                                            [&decision](std::optional<Path> destination) {
                                              ++decision.calls;
                                              decision.destination = std::move(destination);
                                            });
  return decision;
}

TEST(DownloadDelegateTest, SavesIntoTheDownloadsFolderAndRemembersTheDownload) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);

  const Decision decision = decide(controller, 1, "../../invoice.pdf");

  EXPECT_EQ(decision.calls, 1);
  EXPECT_EQ(decision.destination, downloads / "invoice.pdf");
  EXPECT_EQ(fake.files.created, std::vector<Path>{downloads}) << "the folder is made when missing";
  EXPECT_EQ(fake.files.createdFiles, std::vector<Path>{downloads / "invoice.pdf"});
  EXPECT_EQ(controller.downloadDestinationsForTesting().at(1), downloads / "invoice.pdf");
  EXPECT_TRUE(fake.alerts.history.empty());
}

TEST(DownloadDelegateTest, NeverGivesAnyoneElsesFileAway) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  fake.files.existing = {downloads, downloads / "report.csv"};
  // Someone creates report-2.csv after it was found free and before ours.
  fake.files.appearing = {downloads / "report-2.csv"};

  const Decision first = decide(controller, 1, "report.csv");
  const Decision second = decide(controller, 2, "report.csv");

  EXPECT_EQ(first.destination, downloads / "report-3.csv");
  EXPECT_EQ(second.destination, downloads / "report-4.csv")
      << "a download under way keeps its name";
  EXPECT_EQ(fake.files.createdFiles,
            (std::vector<Path>{downloads / "report-3.csv", downloads / "report-4.csv"}));
}

TEST(DownloadDelegateTest, ADownloadUnderWayHoldsItsNameEvenWithoutAFile) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  const Decision first = decide(controller, 1, "export.zip");
  // The file is gone from disk (removed by hand) while the download runs.
  fake.files.existing.erase(*first.destination);

  const Decision second = decide(controller, 2, "export.zip");

  EXPECT_EQ(second.destination, downloads / "export-2.zip");
}

TEST(DownloadDelegateTest, CancelsAndSaysWhyWhenNothingCanBeSaved) {
  struct Row {
    const char* name;
    std::function<void(FakeDesktop&)> arrange;
    std::string expectedInText;
  };
  const Row rows[] = {
      {"no folder known", [](FakeDesktop& f) { f.files.downloads.reset(); }, "no Downloads folder"},
      {"folder cannot be made", [](FakeDesktop& f) { f.files.canCreate = false; },
       "/home/user/Downloads"},
      {"file cannot be made",
       [](FakeDesktop& f) { f.files.fileCreationError = "Permission denied"; },
       "Permission denied"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    BrowserWindowController controller(fake.desktop);
    row.arrange(fake);

    const Decision decision = decide(controller, 1, "invoice.pdf");
    // The engine reports the cancellation back as a failure.
    controller.didFailWithError(1, WebError{WebError::cancelled, "cancelled"});

    EXPECT_EQ(decision.calls, 1) << row.name;
    EXPECT_EQ(decision.destination, std::nullopt) << row.name;
    EXPECT_TRUE(controller.downloadDestinationsForTesting().empty()) << row.name;
    ASSERT_EQ(fake.alerts.history.size(), 1U) << row.name << ": one alert, not two";
    EXPECT_EQ(fake.alerts.history[0].messageText, "Download failed") << row.name;
    EXPECT_NE(fake.alerts.history[0].informativeText.find(row.expectedInText), std::string::npos)
        << row.name << ": " << fake.alerts.history[0].informativeText;
    EXPECT_EQ(fake.dockTile.progressHistory, std::vector<std::optional<double>>{}) << row.name;
  }
}

TEST(DownloadDelegateTest, AFinishedDownloadIsShownInTheFileManagerOnce) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  decide(controller, 1, "invoice.pdf");
  decide(controller, 2, "other.pdf");

  controller.downloadDidFinish(1);
  controller.downloadDidFinish(1); // no entry any more
  controller.downloadDidFinish(7); // never decided

  EXPECT_EQ(fake.workspace.revealedFiles,
            std::vector<std::vector<Path>>{{downloads / "invoice.pdf"}});
  EXPECT_EQ(controller.downloadDestinationsForTesting().size(), 1U);
  EXPECT_TRUE(controller.downloadDestinationsForTesting().contains(2));
  EXPECT_TRUE(fake.alerts.history.empty());
}

TEST(DownloadDelegateTest, AFailedDownloadIsReportedAndNeverShown) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  decide(controller, 1, "invoice.pdf");

  controller.didFailWithError(1, WebError{-1, "Connection terminated unexpectedly"});
  controller.downloadDidFinish(1);

  ASSERT_EQ(fake.alerts.history.size(), 1U);
  const Alert& alert = fake.alerts.history[0];
  EXPECT_EQ(alert.messageText, "Download failed");
  EXPECT_EQ(alert.informativeText, "Connection terminated unexpectedly");
  EXPECT_TRUE(alert.buttons.empty());
  EXPECT_TRUE(fake.workspace.revealedFiles.empty());
  EXPECT_TRUE(controller.downloadDestinationsForTesting().empty());
}

TEST(DownloadDelegateTest, ACancelledDownloadEndsQuietly) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  decide(controller, 1, "invoice.pdf");

  controller.didFailWithError(1, WebError{WebError::cancelled, "Download cancelled"});

  EXPECT_TRUE(fake.alerts.history.empty());
  EXPECT_TRUE(fake.workspace.revealedFiles.empty());
  EXPECT_TRUE(controller.downloadDestinationsForTesting().empty());
}

TEST(DownloadDelegateTest, TheDockShowsTheCombinedProgressUntilTheLastDownloadEnds) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop);
  auto& shown = fake.dockTile.progressHistory;

  controller.didReceiveData(9, 10, 100); // a download nobody decided for
  EXPECT_TRUE(shown.empty());

  decide(controller, 1, "a.zip");
  decide(controller, 2, "b.zip");
  decide(controller, 3, "c.bin");
  controller.didReceiveData(1, 0, 1000);
  controller.didReceiveData(2, 0, 2000);
  controller.didReceiveData(1, 100, 1000);
  controller.didReceiveData(1, 101, 1000); // still 3 % of the 3000 bytes
  controller.didReceiveData(2, 500, 2000);
  controller.didReceiveData(3, 5, 0); // unknown size: adds nothing
  controller.downloadDidFinish(1);
  controller.didReceiveData(2, 2000, 2000);
  controller.didFailWithError(2, WebError{-1, "lost"});
  controller.downloadDidFinish(3);

  const std::vector<std::optional<double>> expected{0.0, 0.03, 0.2, 0.25, 1.0, 0.0, std::nullopt};
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(shown[i].has_value(), expected[i].has_value()) << "step " << i;
    if (expected[i]) {
      EXPECT_NEAR(*shown[i], *expected[i], 1e-9) << "step " << i;
    }
  }
}

} // namespace
} // namespace velmora
