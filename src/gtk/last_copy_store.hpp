// The last copies of the platform's pages on disk: one archive per copy and
// an index, in $XDG_CACHE_HOME/velmora/last-copy, a folder only the user
// can open (0700) holding files only the user can read (0600).
#pragma once

#include "platform/last_copy_store.hpp"

#include <filesystem>

namespace velmora::gtk {

// Where the copies are kept.
[[nodiscard]] std::filesystem::path lastCopyFolder();

class FileLastCopyStore final : public LastCopyStore {
public:
  FileLastCopyStore() : folder_(lastCopyFolder()) {}
  [[nodiscard]] std::optional<std::string> readIndex() override;
  void writeIndex(const std::string& text) override;
  void writeCopy(const std::string& name, std::string bytes,
                 std::function<void(bool)> done) override;
  void removeCopy(const std::string& name) override;
  [[nodiscard]] std::vector<std::string> copyNames() override;
  void removeAll() override;

private:
  // Makes the folder (0700) when it is missing; false when it cannot be.
  bool makeFolder() const;

  std::filesystem::path folder_;
};

} // namespace velmora::gtk
