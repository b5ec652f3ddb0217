#!/usr/bin/python3
"""Presses a button of one running application over AT-SPI, as a screen
reader user would.

Usage: press_button.py PID NAME

Prints "pressed" when a push button of that name was found and pressed.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

PAGE_ROLES = {Atspi.Role.DOCUMENT_WEB, Atspi.Role.DOCUMENT_FRAME}


def find(node, name, depth=0):
    if node is None or depth > 60:
        return None
    try:
        if node.get_role() == Atspi.Role.PUSH_BUTTON and node.get_name() == name:
            return node
        if node.get_role() in PAGE_ROLES:
            return None
        for index in range(node.get_child_count()):
            found = find(node.get_child_at_index(index), name, depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went away while being read
        return None
    return None


def main():
    pid, name = int(sys.argv[1]), sys.argv[2]
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        button = find(app, name)
        if button is not None and button.get_action_iface().do_action(0):
            print("pressed")
            return


if __name__ == "__main__":
    main()
