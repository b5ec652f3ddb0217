// Printing from the real application through GTK's own print dialog,
// driven with the keyboard and the mouse as a user would: Ctrl+P and the
// page's own print button (window.print()) open the same dialog, which
// remembers the printer, and pressing Print writes the page, through the
// toolkit's file printer, to a PDF that holds the page's text.
#include "processes.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

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

// Waits for the print dialog, picks the file printer with the keyboard
// unless `printerChosen`, presses Print (Alt+P), and gives the text of the
// PDF it wrote, once the PDF has `permissions` too, when they are given.
std::string printedText(const TempHome& home, bool printerChosen,
                        std::optional<std::filesystem::perms> permissions = {},
                        std::vector<std::filesystem::path>* printed = nullptr) {
  const std::string dialog = waitForWindow("^Print$");
  if (dialog.empty())
    return "no print dialog";
  if (!printerChosen) {
    // With no default printer nothing is selected at first. Once the list
    // has filled in, Tab reaches it and Down selects the file printer.
    if (!waitUntil([&] { return painted(dialog, "400x20+45+80"); }))
      return "the printer list stayed empty";
    pressKeys(dialog, "Tab Down");
  }
  // Print is insensitive until the chosen printer is there.
  std::string text;
  waitUntil([&] {
    if (!visibleWindow("^Print$").empty())
      pressKeys(dialog, "alt+p");
    for (const auto& pdf : pdfsIn(home.root())) {
      text = runCommand({"pdftotext", pdf.string(), "-"});
      const auto made = std::filesystem::status(pdf).permissions();
      if (permissions && made != *permissions) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(made));
        text = std::string("a PDF with permissions ") + mode;
      }
    }
    return text.find("Harbour Road") != std::string::npos;
  });
  if (printed)
    *printed = pdfsIn(home.root());
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
  // TempHome names its Documents in the user dirs: the file is suggested there.
  session.launch();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  session.show("/probe/job-sheet", "ready=1");

  pressKeys(window, "ctrl+p");
  ASSERT_FALSE(waitForWindow("^Print$").empty()) << "Ctrl+P opened no print dialog";
  screenshot(screenshotFile("print-dialog"));
  // The PDF is the user's file, made as this test makes its own files.
  std::ofstream(session.home.root() / "made-here");
  std::vector<std::filesystem::path> printed;
  std::string text = printedText(
      session.home, /*printerChosen=*/false,
      std::filesystem::status(session.home.root() / "made-here").permissions(), &printed);
  EXPECT_NE(text.find("Job sheet 1042"), std::string::npos) << text;
  EXPECT_EQ(printed, std::vector{session.home.root() / "Documents/Job sheet 1042.pdf"});

  // The page's button sits over the bottom right corner of the window. The
  // printer chosen the first time is chosen again.
  const auto size = windowSize(window);
  ASSERT_TRUE(size);
  clickAt(window, size->width - 100, size->height - 40);
  text = printedText(session.home, /*printerChosen=*/true);
  EXPECT_NE(text.find("Job sheet 1042"), std::string::npos) << "window.print(): " << text;
}

} // namespace
} // namespace velmora::testing
