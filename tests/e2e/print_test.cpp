// Printing from the real application through GTK's own print dialog,
// driven with the keyboard and the mouse as a user would: Ctrl+P and the
// page's own print button (window.print()) open the same dialog, which
// remembers the printer, and pressing Print writes the page, through the
// toolkit's file printer, to a PDF that holds the page's text.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

namespace velmora::testing {
namespace {

// Waits for the print dialog, picks the file printer with the keyboard
// unless `printerChosen`, presses Print (Alt+P), and gives the PDF it wrote
// under the home once it holds the page's text; none when it never does.
std::optional<std::filesystem::path> printed(const TempHome& home, bool printerChosen) {
  const std::string dialog = waitForWindow("^Print$");
  if (dialog.empty())
    return std::nullopt;
  // With no default printer nothing is selected at first. Once the list has
  // filled in, Tab reaches it and Down selects the file printer.
  if (!printerChosen && waitUntil([&] { return painted(dialog, "400x20+45+80"); }))
    pressKeys(dialog, "Tab Down");
  // Print is insensitive until the chosen printer is there.
  std::optional<std::filesystem::path> pdf;
  waitUntil([&] {
    if (!visibleWindow("^Print$").empty())
      pressKeys(dialog, "alt+p");
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(home.root(), error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->path().extension() == ".pdf" &&
          runCommand({"pdftotext", it->path().string(), "-"}).find("Harbour Road") !=
              std::string::npos)
        pdf = it->path();
    }
    return pdf.has_value();
  });
  return pdf;
}

TEST(PrintE2ETest, CtrlPAndThePagesPrintButtonPrintThePageToAPdf) {
  PlatformSession session(/*signedIn=*/true);
  // Only the toolkit's file printer, so no print server is asked.
  std::filesystem::create_directories(session.home.root() / ".config/gtk-4.0");
  std::ofstream(session.home.root() / ".config/gtk-4.0/settings.ini")
      << "[Settings]\ngtk-print-backends=file\n";
  // TempHome names its Documents in the user dirs: the file is suggested there.
  session.launch();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  session.show("/probe/job-sheet", "ready=1");

  pressKeys(window, "ctrl+p");
  ASSERT_FALSE(waitForWindow("^Print$").empty()) << "Ctrl+P opened no print dialog";
  screenshot("print-dialog");
  auto pdf = printed(session.home, /*printerChosen=*/false);
  ASSERT_EQ(pdf, session.home.root() / "Documents/Job sheet 1042.pdf");
  EXPECT_NE(runCommand({"pdftotext", pdf->string(), "-"}).find("Job sheet 1042"),
            std::string::npos);
  // The PDF is the user's file, made as this test makes its own files, once
  // the printing has finished.
  std::ofstream(session.home.root() / "made-here");
  const auto made = std::filesystem::status(session.home.root() / "made-here").permissions();
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::status(*pdf).permissions() == made; }));
  std::filesystem::remove(*pdf);

  // The page's button sits over the bottom right corner of the window. The
  // printer chosen the first time is chosen again.
  const auto size = windowSize(window);
  ASSERT_TRUE(size);
  clickAt(window, size->width - 100, size->height - 40);
  pdf = printed(session.home, /*printerChosen=*/true);
  ASSERT_TRUE(pdf) << "window.print() printed nothing";
  EXPECT_NE(runCommand({"pdftotext", pdf->string(), "-"}).find("Job sheet 1042"),
            std::string::npos);
}

} // namespace
} // namespace velmora::testing
