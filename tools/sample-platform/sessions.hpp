// Signed-in sessions of the sample platform. The application keeps its
// cookie across restarts, so the server must still recognise the id
// afterwards: ids are held in memory and, when a file is given, written
// there on every change and read back on start.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace velmora::sample {

// The value of the cookie `name` in a Cookie request header, or nothing
// when it is absent. The first of several same-named cookies wins.
[[nodiscard]] std::optional<std::string> cookieValue(std::string_view cookieHeader,
                                                     std::string_view name);

class SessionStore {
public:
  // Reads ids saved by an earlier run from `file` (lines that are not
  // well-formed ids are skipped) and keeps it for saving.
  explicit SessionStore(std::optional<std::filesystem::path> file);

  // A fresh random id, already valid.
  [[nodiscard]] std::string create();
  [[nodiscard]] bool isValid(std::string_view id) const;
  void remove(std::string_view id);
  void clear();

private:
  void save() const;

  std::optional<std::filesystem::path> file_;
  std::set<std::string, std::less<>> ids_;
};

} // namespace velmora::sample
