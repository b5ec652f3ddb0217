// Open at Login, in the desktops' autostart convention: an entry named like
// the application's desktop file in the user's autostart folder starts it
// at login; the same name in a system autostart folder starts it for
// everyone, unless the user's own entry of that name is hidden. These
// decide what the entries mean and which file to write; the backend reads
// and writes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr std::string_view autostartEntryName = "com.haulvane.Velmora.desktop";

// Whether an autostart entry's text starts the application: not when its
// [Desktop Entry] group says Hidden=true or X-GNOME-Autostart-enabled=false.
[[nodiscard]] bool autostartEntryStarts(std::string_view text);

// The entry that starts `executable` (an absolute path) at login, quoted
// and escaped as desktop entries require.
[[nodiscard]] std::string autostartEntry(std::string_view executable);
// An entry that only hides a system-wide one of the same name.
[[nodiscard]] std::string hiddenAutostartEntry();

// Whether the application starts at login, given whether each entry exists
// and starts it (none for a missing entry). The user's entry, when there is
// one, stands in for the system's.
[[nodiscard]] bool startsAtLogin(std::optional<bool> userEntry, std::optional<bool> systemEntry);

enum class AutostartChange {
  nothing,         // already as wanted
  writeEntry,      // write autostartEntry as the user's entry
  writeHidden,     // write hiddenAutostartEntry: the system's entry would start it
  removeUserEntry, // delete the user's entry, letting the system's decide
};
[[nodiscard]] AutostartChange autostartChange(bool startAtLogin, std::optional<bool> userEntry,
                                              std::optional<bool> systemEntry);

} // namespace velmora
