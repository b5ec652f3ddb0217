// Download file names: numbering of taken names, and the cleaning of the
// untrusted name the server suggests.
#include "downloads/download_destination.hpp"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

const std::filesystem::path folder = "/home/user/Downloads";

std::filesystem::path destinationWith(std::string_view suggested,
                                      const std::set<std::string>& taken) {
  return uniqueDownloadDestination(folder, suggested, [&](const std::filesystem::path& candidate) {
    return candidate.parent_path() == folder && taken.contains(candidate.filename().string());
  });
}

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

TEST(DownloadDestinationTest, NumbersATakenNameBeforeItsExtension) {
  struct Row {
    const char* name;
    std::string suggested;
    std::set<std::string> taken;
    std::string expected;
  };
  const std::string longName = std::string(300, 'a') + ".pdf";
  const Row rows[] = {
      {"counts on", "invoice.pdf", {"invoice.pdf", "invoice-2.pdf"}, "invoice-3.pdf"},
      {"first free number wins", "invoice.pdf", {"invoice.pdf", "invoice-3.pdf"}, "invoice-2.pdf"},
      {"past nine",
       "a.txt",
       {"a.txt", "a-2.txt", "a-3.txt", "a-4.txt", "a-5.txt", "a-6.txt", "a-7.txt", "a-8.txt",
        "a-9.txt"},
       "a-10.txt"},
      {"no extension", "README", {"README"}, "README-2"},
      {"only the last extension moves", "backup.tar.gz", {"backup.tar.gz"}, "backup.tar-2.gz"},
      {"other names do not matter", "invoice.pdf", {"invoice-2.pdf", "Invoice.pdf"}, "invoice.pdf"},
      {"a shortened name numbered still fits",
       longName,
       {safeDownloadFilename(longName)},
       std::string(maxDownloadFilenameBytes - 6, 'a') + "-2.pdf"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(destinationWith(row.suggested, row.taken), folder / row.expected) << row.name;
}

TEST(DownloadDestinationTest, KeepsOnlyAPlainVisibleNameFromAHostileSuggestion) {
  struct Row {
    const char* name;
    std::string suggested;
    std::string expected;
  };
  const Row rows[] = {
      {"non-ASCII kept", "Rechnung M\u00fcller.pdf", "Rechnung M\u00fcller.pdf"},
      {"climbs out", "../../evil.sh", "evil.sh"},
      {"absolute path", "/etc/cron.d/evil", "evil"},
      {"backslashes", "..\\..\\evil.bat", "evil.bat"},
      {"trailing separator", "reports/", "reports"},
      {"empty", "", "download"},
      {"dot", ".", "download"},
      {"dot dot", "..", "download"},
      {"only separators", "//", "download"},
      {"ends in dot dot", "a/..", "download"},
      {"only spaces", "   ", "download"},
      {"hidden", ".bashrc", "bashrc"},
      {"trailing dot and space", "report.pdf. ", "report.pdf"},
      {"control characters",
       "a\x01"
       "b\nc\x7f.txt",
       "a_b_c_.txt"},
      {"NUL byte", std::string("a\0b.txt", 7), "a_b.txt"},
      {"C1 control",
       "a\xc2\x85"
       "b.txt",
       "a_b.txt"},
      {"control then dot", "\x01.hidden", "_.hidden"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(safeDownloadFilename(row.suggested), row.expected) << row.name;
    EXPECT_EQ(destinationWith(row.suggested, {}), folder / row.expected) << row.name;
  }
}

TEST(DownloadDestinationTest, ShortensLongNamesKeepingTheExtensionAndWholeCharacters) {
  struct Row {
    const char* name;
    std::string suggested;
    std::string expected;
  };
  const std::string stemBudget(maxDownloadFilenameBytes - 4, 'a'); // room for ".pdf"
  const Row rows[] = {
      {"fits exactly", stemBudget + ".pdf", stemBudget + ".pdf"},
      {"300 characters", std::string(300, 'a') + ".pdf", stemBudget + ".pdf"},
      {"no extension", std::string(300, 'b'), std::string(maxDownloadFilenameBytes, 'b')},
      // 1 + 3 * 79 = 238 bytes fit before ".pdf"; an 80th euro sign would not.
      {"cut between characters", "a" + repeated("\u20ac", 100) + ".pdf",
       "a" + repeated("\u20ac", 79) + ".pdf"},
      {"extension too long to keep", "a." + std::string(300, 'x'),
       "a." + std::string(maxDownloadFilenameBytes - 2, 'x')},
      {"no UTF-8 at all", std::string(300, '\x80'), std::string(maxDownloadFilenameBytes, '\x80')},
  };
  for (const Row& row : rows)
    EXPECT_EQ(safeDownloadFilename(row.suggested), row.expected) << row.name;
}

} // namespace
} // namespace velmora
