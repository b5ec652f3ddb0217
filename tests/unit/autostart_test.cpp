// Open at Login in the autostart convention: what an entry means, which
// file a change writes, and an Exec line a session runs as written.
#include "app/autostart.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(AutostartTest, AnEntryStartsUnlessItsMainGroupHidesOrDisablesIt) {
  struct Row {
    const char* name;
    const char* text;
    bool starts;
  } rows[] = {
      {"hidden", "[Desktop Entry]\nHidden=true\n", false},
      {"hidden with blanks and CRLF", "[Desktop Entry]\r\nHidden = true\r\n", false},
      {"disabled by the desktop's own switch", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n",
       false},
      {"hidden in another group only", "[Desktop Entry]\nExec=v\n[Desktop Action x]\nHidden=true\n",
       true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(autostartEntryStarts(row.text), row.starts) << row.name;
}

// The user's entry stands in for a system-wide one of the same name, so a
// user can turn off what the administrator turned on, and back.
TEST(AutostartTest, ChangesOnlyTheUsersEntryAndHidesTheSystemsToTurnItOff) {
  using enum AutostartChange;
  const std::optional<bool> none, starts = true, hidden = false;
  struct Row {
    const char* name;
    bool want;
    std::optional<bool> user, system;
    AutostartChange change;
  } rows[] = {
      {"on over a hidden user entry", true, hidden, none, writeEntry},
      {"on by the system's", true, none, starts, nothing},
      {"on again over the system's", true, hidden, starts, removeUserEntry},
      {"on over a hidden system entry", true, none, hidden, writeEntry},
      {"off against the system's", false, none, starts, writeHidden},
      {"off with both", false, starts, starts, writeHidden},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(autostartChange(row.want, row.user, row.system), row.change) << row.name;
    EXPECT_NE(startsAtLogin(row.user, row.system), row.want == (row.change != nothing)) << row.name;
  }
}

TEST(AutostartTest, QuotesAnExecutableWithReservedCharacters) {
  const auto execLine = [](std::string_view path) {
    const std::string entry = autostartEntry(path);
    const auto start = entry.find("\nExec=") + 6;
    return entry.substr(start, entry.find('\n', start) - start);
  };
  EXPECT_EQ(execLine("/opt/a b$/100%/velmora"), "\"/opt/a b\\\\$/100%%/velmora\"");
  // A line break in the path cannot add a key of its own.
  EXPECT_TRUE(autostartEntryStarts(autostartEntry("/opt/x\nHidden=true/velmora")));
}

} // namespace
} // namespace velmora
