// The file Print to File suggests: named after the page, in the user's own
// documents.
#include "window/print_file.hpp"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(PrintFileTest, TheNameIsThePageTitleMadeSafeAsOneFileName) {
  struct Row {
    const char* name;
    std::string title;
    const char* expected;
  };
  const Row rows[] = {
      // Valid.
      {"letters of any script", "Abschleppaufträge – Übersicht",
       "Abschleppaufträge – Übersicht.pdf"},
      {"already a PDF's name", "Invoice 4711.PDF", "Invoice 4711.PDF"},
      // Edge.
      {"a folder separator", "Jobs 2026/12/07", "Jobs 2026-12-07.pdf"},
      {"names other systems refuse", "a\\b:c*d?e\"f<g>h|i", "a-b-c-d-e-f-g-h-i.pdf"},
      {"line breaks and tabs", "Job\n#4711\tdone", "Job #4711 done.pdf"},
      {"a hidden file", "..profile", "profile.pdf"},
      {"blanks around", "  Jobs  ", "Jobs.pdf"},
      {"a reversing override", "Job\u202Efdp.exe", "Jobfdp.exe.pdf"},
      {"a long title is cut", std::string(300, 'x'), nullptr},
      // Nothing left.
      {"no title", "", "Page.pdf"},
      {"only dots", "...", "Page.pdf"},
      {"only control characters", "\x01\x02", "Page.pdf"},
  };
  for (const Row& row : rows) {
    const std::string name = printFileName(row.title);
    if (row.expected)
      EXPECT_EQ(name, row.expected) << row.name;
    else
      EXPECT_EQ(name, std::string(119, 'x') + "\u2026.pdf") << row.name;
  }
}

TEST(PrintFileTest, TheFolderIsDocumentsThenDownloadsThenHome) {
  using Path = std::optional<std::filesystem::path>;
  struct Row {
    const char* name;
    Path documents, downloads, home, expected;
  };
  const Path home = "/home/ada", downloads = "/home/ada/Downloads";
  const Row rows[] = {
      {"no documents folder", std::nullopt, downloads, home, downloads},
      {"documents set to home means none", "/home/ada/", downloads, home, downloads},
      {"neither", std::nullopt, std::nullopt, home, home},
      {"nothing at all", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(printFileFolder(row.documents, row.downloads, row.home), row.expected) << row.name;
}

} // namespace
} // namespace velmora
