#!/usr/bin/python3
# Prints the text on the display's clipboard, as another application pasting
# it would get it; nothing when there is none.
import sys

import gi

gi.require_version("Gdk", "4.0")
gi.require_version("Gtk", "4.0")
from gi.repository import GLib, Gtk  # noqa: E402

Gtk.init()
loop = GLib.MainLoop()


def done(clipboard, result):
    try:
        sys.stdout.write(clipboard.read_text_finish(result) or "")
    except GLib.Error:
        pass
    loop.quit()


from gi.repository import Gdk  # noqa: E402

Gdk.Display.get_default().get_clipboard().read_text_async(None, done)
GLib.timeout_add_seconds(10, loop.quit)
loop.run()
