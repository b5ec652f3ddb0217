// Printing from the real application through GTK's own print dialog,
// driven with the keyboard and the mouse as a user would: Ctrl+P and the
// page's own print button (window.print()) open the same dialog, and
// pressing Print writes the page, through the toolkit's file printer, to a
// PDF that holds the page's text.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::testing {
namespace {

// The PDFs under `folder`, however deep.
std::vector<std::filesystem::path> pdfsIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().extension() == ".pdf" && it->file_size(error) > 0)
      found.push_back(it->path());
  }
  return found;
}

// Waits for the print dialog, presses Print (its default), and waits for
// a PDF whose text has the job sheet in it.
std::string printedText(const TempHome& home) {
  const std::string dialog = waitForWindow("^Print$");
  if (dialog.empty())
    return "no print dialog";
  // The printer list fills in while the dialog opens; Print stays
  // insensitive until the file printer is selected.
  std::string text;
  waitUntil([&] {
    if (!visibleWindow("^Print$").empty())
      pressKeys(dialog, "Return");
    for (const auto& pdf : pdfsIn(home.root()))
      text = runCommand({"pdftotext", pdf.string(), "-"});
    return text.find("Harbour Road") != std::string::npos;
  });
  for (const auto& pdf : pdfsIn(home.root()))
    std::filesystem::remove(pdf);
  return text;
}

TEST(PrintE2ETest, CtrlPAndThePagesPrintButtonPrintThePageToAPdf) {
  PlatformSession session(/*signedIn=*/true);
  // Only the toolkit's file printer, so no print server is asked.
  std::filesystem::create_directories(session.home.root() / ".config/gtk-4.0");
  std::ofstream(session.home.root() / ".config/gtk-4.0/settings.ini")
      << "[Settings]\ngtk-print-backends=file\n";
  session.launch();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  session.show("/probe/job-sheet", "ready=1");

  pressKeys(window, "ctrl+p");
  ASSERT_FALSE(waitForWindow("^Print$").empty()) << "Ctrl+P opened no print dialog";
  screenshot(screenshotFile("print-dialog"));
  std::string text = printedText(session.home);
  EXPECT_NE(text.find("Job sheet 1042"), std::string::npos) << text;

  // The page's button sits over the bottom right corner of the window.
  const auto size = windowSize(window);
  ASSERT_TRUE(size);
  clickAt(window, size->width - 100, size->height - 40);
  text = printedText(session.home);
  EXPECT_NE(text.find("Job sheet 1042"), std::string::npos) << "window.print(): " << text;
}

} // namespace
} // namespace velmora::testing
