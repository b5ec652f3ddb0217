// Velmora's own log lines kept for a support report: every message of the
// "Velmora" domain, debug lines included, is remembered (the last 200) and,
// when asked for, appended to a file. What reaches the terminal stays as
// GLib decides: debug lines only with G_MESSAGES_DEBUG.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora::gtk {

inline constexpr std::size_t debugLogCapacity = 200;

// Takes over GLib's log writer. Called first thing in main, before anything
// logs: GLib lets the writer be set only once, and only before any message.
void installDebugLog();
// Appends every line from now on to `file`, created private to the user;
// false, with a warning on the terminal, when it cannot be opened.
bool setDebugLogFile(const std::filesystem::path& file);
// The remembered lines, oldest first, each "HH:MM:SS.mmm LEVEL message".
[[nodiscard]] std::vector<std::string> recentDebugLines();

} // namespace velmora::gtk
