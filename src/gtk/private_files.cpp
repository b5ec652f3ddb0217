#include "gtk/private_files.hpp"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace velmora::gtk {
namespace {

namespace fs = std::filesystem;

std::optional<mode_t>& savedUserMask() {
  static std::optional<mode_t> mask;
  return mask;
}

// The process's mask as the kernel reports it; reading it through umask()
// would change it for a moment under other threads.
mode_t currentMask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Umask:"))
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
  }
  return 022;
}

void removeGroupAndOthers(const fs::path& path, fs::perms current) {
  const fs::perms wanted = current & fs::perms::owner_all;
  if (wanted == (current & fs::perms::mask))
    return;
  std::error_code error;
  fs::permissions(path, wanted, fs::perm_options::replace | fs::perm_options::nofollow, error);
  if (error)
    g_debug("could not make %s private: %s", path.c_str(), error.message().c_str());
}

void tightenFolder(const fs::path& root) {
  std::error_code error;
  const fs::file_status rootStatus = fs::symlink_status(root, error);
  if (!fs::is_directory(rootStatus))
    return;
  error.clear();
  std::vector<fs::path> folders{root};
  removeGroupAndOthers(root, rootStatus.permissions());
  while (!folders.empty()) {
    const fs::path folder = std::move(folders.back());
    folders.pop_back();
    // Any error ends the reading of this folder alone.
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
      const fs::file_status status = entry->symlink_status(error);
      if (fs::is_directory(status)) {
        removeGroupAndOthers(entry->path(), status.permissions());
        folders.push_back(entry->path());
      } else if (fs::is_regular_file(status)) {
        removeGroupAndOthers(entry->path(), status.permissions());
      }
    }
    if (error) {
      g_debug("could not read %s: %s", folder.c_str(), error.message().c_str());
      error.clear();
    }
  }
}

} // namespace

void makeNewFilesPrivate() {
  savedUserMask() = umask(077);
}

mode_t userFileMask() {
  if (!savedUserMask())
    return currentMask();
  return *savedUserMask();
}

void giveToUser(const fs::path& file) {
  std::error_code error;
  fs::permissions(file, static_cast<fs::perms>(0666 & ~userFileMask()),
                  fs::perm_options::replace | fs::perm_options::nofollow, error);
  if (error)
    g_debug("could not give %s the user's permissions: %s", file.c_str(), error.message().c_str());
}

std::vector<fs::path> privateFolders() {
  return {fs::path(g_get_user_config_dir()) / "velmora",
          fs::path(g_get_user_data_dir()) / "velmora",
          fs::path(g_get_user_cache_dir()) / "velmora"};
}

void tightenPrivateFolders(const std::vector<fs::path>& folders) {
  for (const fs::path& folder : folders)
    tightenFolder(folder);
}

} // namespace velmora::gtk
