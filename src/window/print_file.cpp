#include "window/print_file.hpp"

#include "platform/text.hpp"

#include <cctype>

namespace velmora {
namespace {

// Long enough for any real page title; short of every file system's limit
// on a name even in four-byte characters, with ".pdf" added.
constexpr std::size_t maxNameCharacters = 120;

bool endsWithPdf(std::string_view name) {
  return name.size() >= 4 && asciiLowercased(name.substr(name.size() - 4)) == ".pdf";
}

} // namespace

std::string printFileName(std::string_view title) {
  std::string name;
  for (char c : oneLineForDisplay(title, maxNameCharacters)) {
    const bool refused = std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    name += refused ? '-' : c;
  }
  const auto start = name.find_first_not_of(". ");
  name.erase(0, start == std::string::npos ? name.size() : start);
  while (!name.empty() && name.back() == ' ')
    name.pop_back();
  if (name.empty())
    return "Page.pdf";
  return endsWithPdf(name) ? name : name + ".pdf";
}

std::optional<std::filesystem::path>
printFileFolder(const std::optional<std::filesystem::path>& documents,
                const std::optional<std::filesystem::path>& downloads,
                const std::optional<std::filesystem::path>& home) {
  const auto same = [](const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() / "" == b.lexically_normal() / "";
  };
  if (documents && !documents->empty() && !(home && same(*documents, *home)))
    return documents;
  if (downloads && !downloads->empty())
    return downloads;
  return home;
}

} // namespace velmora
