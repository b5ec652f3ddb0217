#!/usr/bin/python3
"""Prints what a screen reader finds of one running application over AT-SPI.

Usage: accessible_tree.py PID

One line per accessible object, depth first: role, name and whether it
has the keyboard focus ("focused" or nothing), separated by tabs. The
web page's own content is left out: it is the engine's, and walking it
would only slow the test down.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

PAGE_ROLES = {Atspi.Role.DOCUMENT_WEB, Atspi.Role.DOCUMENT_FRAME}


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    try:
        role = node.get_role()
        focused = node.get_state_set().contains(Atspi.StateType.FOCUSED)
        name = (node.get_name() or "").replace("\t", " ").replace("\n", " ")
        print(f"{node.get_role_name()}\t{name}\t{'focused' if focused else ''}")
        if role in PAGE_ROLES:
            return
        for index in range(node.get_child_count()):
            walk(node.get_child_at_index(index), depth + 1)
    except Exception:  # an object that went away while being read
        return


def main():
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        try:
            if app is not None and app.get_process_id() == pid:
                walk(app)
        except Exception:
            continue


if __name__ == "__main__":
    main()
