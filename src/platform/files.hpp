// The file system as the download handling needs it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

// What came of creating a new file.
struct FileCreation {
  enum class Outcome {
    created, // an empty file now stands at the path, made by this call
    exists,  // something was already there and is left untouched
    failed,  // nothing was created; `errorDescription` says why
  };
  Outcome outcome = Outcome::failed;
  std::string errorDescription;
};

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
  // Creates an empty file, but only where nothing exists yet, a dangling
  // link included. Testing and creating are one step, so a file that appears
  // meanwhile is never replaced.
  [[nodiscard]] virtual FileCreation createNewFile(const std::filesystem::path& path) = 0;
};

} // namespace velmora
