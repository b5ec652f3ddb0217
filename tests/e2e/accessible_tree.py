#!/usr/bin/python3
"""Reads one running application over AT-SPI as a screen reader does.

Usage: accessible_tree.py PID [BUTTON]

Without BUTTON: one line per accessible object, depth first: role, name and
whether it has the keyboard focus ("focused" or nothing), separated by tabs.
With BUTTON: presses the push button of that name, as a screen reader user
would, and prints "pressed" when it was found and pressed. The web page's
own content is left out: it is the engine's, and walking it would only slow
the test down.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

PAGE_ROLES = {Atspi.Role.DOCUMENT_WEB, Atspi.Role.DOCUMENT_FRAME}


def walk(node, button, depth=0):
    """Lists the tree, or presses `button` in it; True once it was pressed."""
    if node is None or depth > 60:
        return False
    try:
        role = node.get_role()
        name = node.get_name() or ""
        if button is None:
            focused = node.get_state_set().contains(Atspi.StateType.FOCUSED)
            shown = name.replace("\t", " ").replace("\n", " ")
            print(f"{node.get_role_name()}\t{shown}\t{'focused' if focused else ''}")
        elif role == Atspi.Role.PUSH_BUTTON and name == button:
            return node.get_action_iface().do_action(0)
        if role in PAGE_ROLES:
            return False
        return any(walk(node.get_child_at_index(index), button, depth + 1)
                   for index in range(node.get_child_count()))
    except Exception:  # an object that went away while being read
        return False


def main():
    pid = int(sys.argv[1])
    button = sys.argv[2] if len(sys.argv) > 2 else None
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        if walk(app, button):
            print("pressed")
            return


if __name__ == "__main__":
    main()
