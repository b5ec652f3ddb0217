#include "app/autostart.hpp"

#include "platform/text.hpp"

namespace velmora {
namespace {

// Desktop entries quote an Exec argument that holds a reserved character
// in double quotes, with a backslash before ", `, $ and \. The value as a
// whole is a string, which escapes each backslash (and a line break) once
// more; "%" is written "%%" so it is not taken for a field code.
std::string execArgument(std::string_view path) {
  constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string argument;
  const bool quote = path.find_first_of(reserved) != std::string_view::npos;
  if (quote)
    argument += '"';
  for (char c : path) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
      argument += '\\';
    argument += c;
  }
  if (quote)
    argument += '"';
  std::string value;
  for (char c : argument) {
    if (c == '\\')
      value += "\\\\";
    else if (c == '\n')
      value += "\\n";
    else if (c == '%')
      value += "%%";
    else
      value += c;
  }
  return value;
}

} // namespace

bool autostartEntryStarts(std::string_view text) {
  bool inMainGroup = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = trimmedAscii(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with('[')) {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inMainGroup || equals == std::string_view::npos)
      continue;
    const std::string_view key = trimmedAscii(line.substr(0, equals));
    const std::string_view value = trimmedAscii(line.substr(equals + 1));
    if ((key == "Hidden" && value == "true") ||
        (key == "X-GNOME-Autostart-enabled" && value == "false"))
      return false;
  }
  return true;
}

std::string autostartEntry(std::string_view executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Velmora\n"
         "Comment=A desktop window onto your company's towing dispatch platform\n"
         "Exec=" +
         execArgument(executable) +
         "\n"
         "Icon=com.haulvane.Velmora\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::string hiddenAutostartEntry() {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Velmora\n"
         "Hidden=true\n";
}

bool startsAtLogin(std::optional<bool> userEntry, std::optional<bool> systemEntry) {
  if (userEntry)
    return *userEntry;
  return systemEntry.value_or(false);
}

AutostartChange autostartChange(bool startAtLogin, std::optional<bool> userEntry,
                                std::optional<bool> systemEntry) {
  if (velmora::startsAtLogin(userEntry, systemEntry) == startAtLogin)
    return AutostartChange::nothing;
  const bool systemStarts = systemEntry.value_or(false);
  if (startAtLogin)
    return systemStarts ? AutostartChange::removeUserEntry : AutostartChange::writeEntry;
  return systemStarts ? AutostartChange::writeHidden : AutostartChange::removeUserEntry;
}

} // namespace velmora
