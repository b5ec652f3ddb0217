// The user's settings store: strings under keys, kept across launches, and
// what the machine's administrator set for every user, read only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class Settings {
public:
  virtual ~Settings() = default;
  // Reads the store afresh; none when nothing is stored under `key`.
  [[nodiscard]] virtual std::optional<std::string> stringForKey(std::string_view key) const = 0;
  // Writes through to disk at once. False when the value could not be made
  // durable; the stored value is then unchanged.
  [[nodiscard]] virtual bool setString(std::string_view key, const std::string& value) = 0;
  // The machine-wide value under `key`, read afresh; none where the machine
  // sets none or its file cannot be read.
  [[nodiscard]] virtual std::optional<std::string> systemStringForKey(std::string_view key) const {
    (void)key;
    return std::nullopt;
  }
};

} // namespace velmora
