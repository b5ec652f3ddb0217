#include "gtk/desk_setup.hpp"

#include "app/autostart.hpp"
#include "connection/server_address.hpp"
#include "glib_owners/glib_ptr.hpp"
#include "gtk/debug_log.hpp"
#include "gtk/menu_bar.hpp"

#include <gtk/gtk.h>

#include <cstring>
#include <optional>

namespace velmora::gtk {
namespace {

std::filesystem::path userAutostartFile() {
  return std::filesystem::path(g_get_user_config_dir()) / "autostart" / autostartEntryName;
}

// Whether the entry exists and starts Velmora; none when there is no entry.
std::optional<bool> entryStarts(const std::filesystem::path& file) {
  GCharPtr contents;
  gsize length = 0;
  if (!g_file_get_contents(file.c_str(), out(contents), &length, nullptr))
    return std::nullopt;
  return autostartEntryStarts(std::string(contents.get(), length));
}

// The first system folder's entry stands, as the desktop's session reads
// them.
std::optional<bool> systemEntryStarts() {
  for (const char* const* dir = g_get_system_config_dirs(); dir && *dir; ++dir)
    if (auto starts = entryStarts(std::filesystem::path(*dir) / "autostart" / autostartEntryName))
      return starts;
  return std::nullopt;
}

// The binary that is running now, wherever it was installed or built.
std::string runningExecutable() {
  if (GCharPtr path{g_file_read_link("/proc/self/exe", nullptr)})
    return path.get();
  return "velmora";
}

bool writeEntry(const std::filesystem::path& file, const std::string& text) {
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  GErrorPtr error;
  if (!g_file_set_contents_full(file.c_str(), text.data(), static_cast<gssize>(text.size()),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0644, out(error))) {
    g_debug("could not write %s: %s", file.c_str(), error->message);
    return false;
  }
  return true;
}

std::string displayServer() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display)
    return "none";
  // Compared by name, so that neither backend's own headers are needed.
  const char* type = G_OBJECT_TYPE_NAME(display);
  if (std::strcmp(type, "GdkX11Display") == 0)
    return "X11";
  if (std::strcmp(type, "GdkWaylandDisplay") == 0)
    return "Wayland";
  return type;
}

} // namespace

bool opensAtLogin() {
  return startsAtLogin(entryStarts(userAutostartFile()), systemEntryStarts());
}

bool setOpensAtLogin(bool open) {
  const std::filesystem::path file = userAutostartFile();
  switch (autostartChange(open, entryStarts(file), systemEntryStarts())) {
  case AutostartChange::nothing:
    return true;
  case AutostartChange::writeEntry:
    return writeEntry(file, autostartEntry(runningExecutable()));
  case AutostartChange::writeHidden:
    return writeEntry(file, hiddenAutostartEntry());
  case AutostartChange::removeUserEntry: {
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error)
      g_debug("could not remove %s: %s", file.c_str(), error.message().c_str());
    return !error;
  }
  }
  return false;
}

SupportFacts supportFacts(Settings& settings) {
  const ServerAddressSetting server(settings);
  return SupportFacts{
      .version = VELMORA_VERSION,
      .engineVersion = engineVersion(),
      .toolkitVersion = std::to_string(gtk_get_major_version()) + "." +
                        std::to_string(gtk_get_minor_version()) + "." +
                        std::to_string(gtk_get_micro_version()),
      .displayServer = displayServer(),
      .server = server.storedServer(),
      .serverLocked = server.isLocked(),
      .logLines = recentDebugLines(),
  };
}

} // namespace velmora::gtk
