// Process entry: the GTK backend with its desktop services, the one
// application delegate, and the event loop.
#include "app/app_delegate.hpp"
#include "gtk/backend.hpp"
#include "gtk/debug_log.hpp"
#include "gtk/private_files.hpp"

int main(int argc, char** argv) {
  // Before anything can log: the support report needs every line.
  velmora::gtk::installDebugLog();
  // Before GTK, the engine or any thread starts: every process the engine
  // spawns inherits the mask, and with it every file it writes.
  velmora::gtk::makeNewFilesPrivate();
  velmora::gtk::Backend backend;
  velmora::AppDelegate delegate(backend.desktop());
  return backend.run(delegate, argc, argv);
}
