// The window's downloads, through the double.
#include "downloads/download_list.hpp"
#include "downloads/reveal_pacing.hpp"
#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::FakeDesktop;
using Path = std::filesystem::path;
using namespace std::chrono_literals;

const Path downloads = "/home/user/Downloads";

struct Decision {
  int calls = 0;
  std::optional<Path> destination;
};

// Asks the controller for a destination and records every answer.
Decision decide(BrowserWindowController& controller, DownloadIdentity download,
                const std::string& suggested) {
  Decision decision;
  controller.downloads().decideDestinationUsingResponse(
      download, suggested, [&decision](std::optional<Path> destination) {
        ++decision.calls;
        decision.destination = std::move(destination);
      });
  return decision;
}

// A name is never given out twice: not a file that appears on disk between
// the check and our creation, nor the name of a download under way, even once
// its file is gone from disk.
TEST(DownloadDelegateTest, NeverGivesAnyoneElsesFileAway) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop, nullptr);
  fake.files.existing = {downloads, downloads / "report.csv"};
  fake.files.appearing = {downloads / "report-2.csv"};

  const Decision first = decide(controller, 1, "report.csv");
  fake.files.existing.erase(*first.destination); // removed by hand while it runs
  const Decision second = decide(controller, 2, "report.csv");

  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(first.destination, downloads / "report-3.csv");
  EXPECT_EQ(second.destination, downloads / "report-4.csv");
  EXPECT_EQ(fake.files.createdFiles,
            (std::vector<Path>{downloads / "report-3.csv", downloads / "report-4.csv"}));
}

TEST(DownloadDelegateTest, CancelsAndSaysWhyWhenNothingCanBeSaved) {
  struct Row {
    const char* name;
    std::function<void(FakeDesktop&)> arrange;
    std::string expectedInText;
  };
  const Row rows[] = {
      {"no folder known", [](FakeDesktop& f) { f.files.downloads.reset(); }, "no Downloads folder"},
      {"file cannot be made",
       [](FakeDesktop& f) { f.files.fileCreationError = "Permission denied"; },
       "Permission denied"},
  };
  for (const Row& row : rows) {
    FakeDesktop fake;
    BrowserWindowController controller(fake.desktop, nullptr);
    row.arrange(fake);

    const Decision decision = decide(controller, 1, "invoice.pdf");
    // The engine reports the cancellation back as a failure.
    controller.downloads().didFailWithError(1, WebError{WebError::cancelled, "cancelled"});

    EXPECT_EQ(decision.calls, 1) << row.name;
    EXPECT_EQ(decision.destination, std::nullopt) << row.name;
    EXPECT_TRUE(controller.downloads().destinations().empty()) << row.name;
    ASSERT_EQ(fake.alerts.history.size(), 1U) << row.name << ": one alert, not two";
    EXPECT_EQ(fake.alerts.history[0].messageText, "Download failed") << row.name;
    EXPECT_NE(fake.alerts.history[0].informativeText.find(row.expectedInText), std::string::npos)
        << row.name << ": " << fake.alerts.history[0].informativeText;
    EXPECT_EQ(fake.dockTile.progressHistory, std::vector<std::optional<double>>{}) << row.name;
  }
}

// Each download ends once: finished ones are revealed, cancelled ones end
// quietly; a second or unknown finish changes nothing. (A failed one is
// reported once and never revealed: the engine tests see to that.)
TEST(DownloadDelegateTest, EachDownloadEndsOnceInItsOwnWay) {
  for (const bool cancelled : {false, true}) {
    SCOPED_TRACE(cancelled ? "cancelled" : "finished");
    FakeDesktop fake;
    BrowserWindowController controller(fake.desktop, nullptr);
    decide(controller, 1, "invoice.pdf");
    decide(controller, 2, "other.pdf");
    if (cancelled)
      controller.downloads().didFailWithError(1, WebError{WebError::cancelled, "cancelled"});
    controller.downloads().downloadDidFinish(1);
    controller.downloads().downloadDidFinish(1);
    controller.downloads().downloadDidFinish(7); // never decided

    EXPECT_EQ(fake.workspace.revealedFiles,
              cancelled ? std::vector<std::vector<Path>>{}
                        : std::vector<std::vector<Path>>{{downloads / "invoice.pdf"}});
    EXPECT_EQ(controller.downloads().destinations().size(), 1U);
    EXPECT_TRUE(controller.downloads().destinations().contains(2));
    EXPECT_TRUE(fake.alerts.history.empty());
  }
}

TEST(DownloadDelegateTest, TheDockShowsTheCombinedProgressUntilTheLastDownloadEnds) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop, nullptr);
  auto& shown = fake.dockTile.progressHistory;

  controller.downloads().didReceiveData(9, 10, 100); // a download nobody decided for
  EXPECT_TRUE(shown.empty());

  decide(controller, 1, "a.zip");
  decide(controller, 2, "b.zip");
  decide(controller, 3, "c.bin");
  controller.downloads().didReceiveData(1, 0, 1000);
  controller.downloads().didReceiveData(2, 0, 2000);
  controller.downloads().didReceiveData(1, 100, 1000);
  controller.downloads().didReceiveData(1, 101, 1000); // still 3 % of the 3000 bytes
  controller.downloads().didReceiveData(2, 500, 2000);
  controller.downloads().didReceiveData(3, 5, 0); // unknown size: adds nothing
  controller.downloads().downloadDidFinish(1);
  controller.downloads().didReceiveData(2, 2000, 2000);
  controller.downloads().didFailWithError(2, WebError{-1, "lost"});
  controller.downloads().downloadDidFinish(3);

  // Whole percents, so the steps compare exactly.
  EXPECT_EQ(shown,
            (std::vector<std::optional<double>>{0.0, 0.03, 0.2, 0.25, 1.0, 0.0, std::nullopt}));
}

// A page that starts 200 downloads opens the file manager twice: at once for
// the first file, and for the newest once the interval is over.
TEST(DownloadDelegateTest, ABurstOfFinishedDownloadsOpensTheFileManagerTwice) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop, nullptr);
  const auto& revealed = fake.workspace.revealedFiles;
  for (DownloadIdentity id = 1; id <= 200; ++id)
    decide(controller, id, "export.csv");

  for (DownloadIdentity id = 1; id <= 200; ++id) {
    controller.downloads().downloadDidFinish(id);
    fake.mainQueue.advance(20ms);
  }
  EXPECT_EQ(revealed, std::vector<std::vector<Path>>{{downloads / "export.csv"}});
  fake.mainQueue.advance(10s - 200 * 20ms - 1ms);
  EXPECT_EQ(revealed.size(), 1U) << "shown again before the interval was over";
  fake.mainQueue.advance(1ms);
  EXPECT_EQ(revealed, (std::vector<std::vector<Path>>{{downloads / "export.csv"},
                                                      {downloads / "export-200.csv"}}));
  fake.mainQueue.advance(1min);
  EXPECT_EQ(revealed.size(), 2U) << "the newest file is shown once";

  // After a quiet spell the next file is shown at once again.
  decide(controller, 201, "invoice.pdf");
  controller.downloads().downloadDidFinish(201);
  ASSERT_EQ(revealed.size(), 3U);
  EXPECT_EQ(revealed.back(), std::vector<Path>{downloads / "invoice.pdf"});
}

// The session's downloads as the Downloads window lists them, and the note
// a saved one leaves over the window for a few seconds.
TEST(DownloadListTest, ListsEveryDownloadAndNotesASavedOneForAWhile) {
  FakeDesktop fake;
  BrowserWindowController controller(fake.desktop, nullptr);
  const auto& view = fake.window().downloads;
  decide(controller, 1, "invoice.pdf");
  decide(controller, 2, "export.zip");
  controller.downloads().didReceiveData(2, 1'500'000, 4'000'000);
  ASSERT_EQ(view.rows.size(), 2U);
  EXPECT_EQ(view.rows[1].fraction, 0.375);

  controller.downloads().downloadDidFinish(1);
  controller.downloads().didFailWithError(2, WebError{-1, "Connection reset"});
  // The note's and the saved row's text are read in the built application.
  ASSERT_TRUE(view.note);
  ASSERT_EQ(view.rows[0].buttons.size(), 2U);
  EXPECT_EQ(view.rows[1].status, "Failed: Connection reset");
  EXPECT_EQ(view.rows[1].fraction, std::nullopt);
  EXPECT_TRUE(view.rows[1].buttons.empty()) << "nothing to open";

  // The user's own clicks are not held back by the pacing of the automatic
  // showing, which has just shown the file.
  view.note->button.action();
  view.rows[0].buttons[0].action();
  EXPECT_EQ(fake.workspace.revealedFiles.size(), 2U);
  ASSERT_EQ(fake.workspace.openedURLs.size(), 1U);
  EXPECT_EQ(fake.workspace.openedURLs[0].absoluteString(),
            "file:///home/user/Downloads/invoice.pdf");

  fake.mainQueue.advance(downloadNoteDuration - 1ms);
  EXPECT_TRUE(view.note);
  fake.mainQueue.advance(1ms);
  EXPECT_FALSE(view.note);
  EXPECT_EQ(view.rows.size(), 2U) << "the session's downloads stay listed";
}

TEST(DownloadListTest, SaysHowMuchHasArrivedInWordsPeopleRead) {
  using State = DownloadRecord::State;
  struct Row {
    const char* name;
    DownloadRecord record;
    std::string status;
    std::optional<double> fraction;
  } rows[] = {
      {"size unknown",
       {downloads / "a.csv", State::running, 999, 0, ""},
       "999 bytes",
       std::nullopt},
      {"one byte of two",
       {downloads / "a.csv", State::running, 1, 2, ""},
       "1 byte of 2 bytes",
       0.5},
      {"rounds up into the next unit",
       {downloads / "a.csv", State::running, 999'999, 0, ""},
       "1.0 MB",
       std::nullopt},
      {"more than announced",
       {downloads / "a.csv", State::running, 3'000, 2'000, ""},
       "2.0 KB of 2.0 KB",
       1.0},
      {"gigabytes",
       {downloads / "a.iso", State::running, 0, 4'700'000'000, ""},
       "0 bytes of 4.7 GB",
       0.0},
      {"failed without a reason",
       {downloads / "a.csv", State::failed, 1, 2, ""},
       "Failed",
       std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(downloadStatusText(row.record), row.status) << row.name;
    EXPECT_EQ(downloadFraction(row.record), row.fraction) << row.name;
  }
  EXPECT_EQ(downloadNoteText("/home/user/T\u00E9l\u00E9chargements/r\u00E9sum\u00E9 #1.pdf"),
            "r\u00E9sum\u00E9 #1.pdf saved in T\u00E9l\u00E9chargements");
  EXPECT_EQ(fileUrl("/home/user/Downloads/r\u00E9sum\u00E9 #1?.pdf")->absoluteString(),
            "file:///home/user/Downloads/r%C3%A9sum%C3%A9%20%231%3F.pdf");
  EXPECT_EQ(fileUrl("relative.pdf"), std::nullopt);
}

} // namespace
} // namespace velmora
