#!/usr/bin/env bash
# Runs a test binary the way the real application runs: on an X display
# (a private Xvfb when none is set) and on a D-Bus session of its own.
set -euo pipefail
# The web process cannot build its sandbox in containers without user
# namespaces; this is for tests only, never for the product.
export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1
export NO_AT_BRIDGE=1
export GTK_A11Y=none
# The application's own debug lines, so that a failed test's output says
# what the window saw and swallowed.
export G_MESSAGES_DEBUG="${G_MESSAGES_DEBUG:-Velmora}"
# No key repeat: on a loaded machine a synthetic key press can stay down
# past the repeat delay and arrive twice.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-r -screen 0 1600x1200x24" dbus-run-session -- "$@"
fi
exec dbus-run-session -- "$@"
