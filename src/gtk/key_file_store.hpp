// The settings file: a key file under the user's configuration folder,
// read afresh on every access and written atomically, so a crash mid-write
// never leaves half a file. A file that no longer parses is never silently
// replaced: what can be read from it is still used, and the first write keeps
// a copy of it beside the new one.
#pragma once

#include "platform/settings.hpp"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::gtk {

class KeyFileStore {
public:
  explicit KeyFileStore(std::filesystem::path file);

  using Values = std::vector<std::pair<std::string, std::string>>;

  [[nodiscard]] std::optional<std::string> get(std::string_view group, std::string_view key) const;
  // False when the file could not be written; nothing changes then.
  [[nodiscard]] bool set(std::string_view group, std::string_view key, const std::string& value);
  // Several keys of one group in one write.
  [[nodiscard]] bool set(std::string_view group, const Values& values);

  // $XDG_CONFIG_HOME/velmora/settings.ini
  [[nodiscard]] static std::filesystem::path defaultFile();

private:
  std::filesystem::path file_;
};

// The application's settings, group [Settings] of the store, and the same
// group of the machine-wide files an administrator may write
// (velmora/settings.ini in each of $XDG_CONFIG_DIRS, /etc/xdg by default;
// the first file that holds a key gives it). The machine files are read
// once, at the first question, as the desktop reads such files at start:
// the policy decisions ask for the server many times a page. A machine
// file that does not parse is passed over with a debug line, never patched
// up: half of an administrator's intent is worse than none.
class KeyFileSettings final : public Settings {
public:
  explicit KeyFileSettings(KeyFileStore& store,
                           std::vector<std::filesystem::path> systemFiles = defaultSystemFiles())
      : store_(store), systemFiles_(std::move(systemFiles)) {}
  [[nodiscard]] std::optional<std::string> stringForKey(std::string_view key) const override;
  [[nodiscard]] bool setString(std::string_view key, const std::string& value) override;
  [[nodiscard]] std::optional<std::string> systemStringForKey(std::string_view key) const override;

  // velmora/settings.ini under each system configuration folder, in order.
  [[nodiscard]] static std::vector<std::filesystem::path> defaultSystemFiles();

private:
  // The machine files' [Settings], merged; the first file holding a key wins.
  [[nodiscard]] std::map<std::string, std::string> readSystemFiles() const;

  KeyFileStore& store_;
  std::vector<std::filesystem::path> systemFiles_;
  mutable std::optional<std::map<std::string, std::string>> system_;
};

} // namespace velmora::gtk
