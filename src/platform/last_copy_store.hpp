// Where the last copies of the platform's pages are kept between runs: one
// archive file per copy, named by the core, and a small index that lists
// them. Only the user can read them; nothing of them leaves the machine.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class LastCopyStore {
public:
  virtual ~LastCopyStore() = default;
  // The index as last written; none when there is none or it cannot be read.
  [[nodiscard]] virtual std::optional<std::string> readIndex() = 0;
  // Replaces the index in one step, so a crash leaves the old or the new.
  virtual void writeIndex(const std::string& text) = 0;
  // Writes an archive under `name`, replacing any earlier one in one step,
  // away from the main thread; `done` is called on the main thread with
  // whether the whole file is in place.
  virtual void writeCopy(const std::string& name, std::string bytes,
                         std::function<void(bool)> done) = 0;
  virtual void removeCopy(const std::string& name) = 0;
  // The names of the archives kept, whatever the index says.
  [[nodiscard]] virtual std::vector<std::string> copyNames() = 0;
  // Removes every archive and the index.
  virtual void removeAll() = 0;
};

} // namespace velmora
