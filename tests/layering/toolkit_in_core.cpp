// Compiled with the core's include path only: this must fail, because the
// core never sees a toolkit header.
#include <gtk/gtk.h>
