// Velmora's own files hold the sign-in (the cookie jar), what pages keep in
// local storage, the cache of the platform's pages and the settings: they
// are for the user alone. Whatever the process and the engine's processes
// (which inherit its file mode mask) create is private from the start, and
// what an older version left open is closed at each start. Files saved for
// the user to keep, downloads and printed PDFs, get the user's own mask.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <vector>

namespace velmora::gtk {

// Sets the process's file mode mask to 077, so that new folders are 0700
// and new files 0600, and remembers the mask the user had. Called first
// thing in main, before any thread or child process exists.
void makeNewFilesPrivate();

// The file mode mask the user started Velmora with; the process's own
// until makeNewFilesPrivate has run.
[[nodiscard]] mode_t userFileMask();

// Gives a file made for the user to keep, which the process's mask has made
// private, the mode a new file of the user's gets. A link is left alone;
// a failure leaves a debug line.
void giveToUser(const std::filesystem::path& file);

// Velmora's own folders: the settings, the web data and the cache.
[[nodiscard]] std::vector<std::filesystem::path> privateFolders();

// Takes every permission of group and others away from each folder and
// everything under it. Links are neither followed nor changed, not even a
// folder that is itself a link: whatever it leads to is the user's own
// arrangement. Anything that cannot be changed leaves a debug line, and the
// walk goes on.
void tightenPrivateFolders(const std::vector<std::filesystem::path>& folders);

} // namespace velmora::gtk
