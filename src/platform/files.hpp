// The file system as the download handling needs it.
#pragma once

#include <filesystem>
#include <optional>

namespace velmora {

class Files {
 public:
  virtual ~Files() = default;
  // The user's Downloads folder, whether or not it exists yet; none when no
  // folder can be determined at all.
  [[nodiscard]] virtual std::optional<std::filesystem::path> downloadsDirectory() const = 0;
  // True for any existing entry: a file, a folder or a dangling link.
  [[nodiscard]] virtual bool fileExistsAtPath(const std::filesystem::path& path) const = 0;
  // Creates the folder and its parents; true when it exists afterwards.
  [[nodiscard]] virtual bool createDirectory(const std::filesystem::path& path) = 0;
};

}  // namespace velmora
