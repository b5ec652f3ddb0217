// Process entry: the GTK backend with its desktop services, the one
// application delegate, and the event loop.
#include "app/app_delegate.hpp"
#include "gtk/backend.hpp"

int main(int argc, char** argv) {
  velmora::gtk::Backend backend;
  velmora::AppDelegate delegate(backend.desktop());
  return backend.run(delegate, argc, argv);
}
