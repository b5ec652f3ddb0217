// Where "Print to File" suggests saving a page: a file named after the
// page's title in the user's documents, instead of the toolkit's
// "output.pdf" in whatever folder Velmora was started from.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The page's title made one safe file name, ending in ".pdf": on one line,
// without control or invisible characters, with "/" and the characters
// other systems refuse in names ("\\:*?\"<>|") turned into "-", without
// leading dots or blanks (no hidden file), cut to 120 characters. A title
// that already ends in ".pdf" gets no second one; a title with nothing left
// gives "Page.pdf".
[[nodiscard]] std::string printFileName(std::string_view title);

// The folder it is suggested in: Documents, or Downloads when the desktop
// names no Documents folder of its own, or home when there is neither.
// Each is given only when it exists; a Documents folder that is the home
// folder itself (how the desktop says it has none) does not count.
[[nodiscard]] std::optional<std::filesystem::path>
printFileFolder(const std::optional<std::filesystem::path>& documents,
                const std::optional<std::filesystem::path>& downloads,
                const std::optional<std::filesystem::path>& home);

} // namespace velmora
