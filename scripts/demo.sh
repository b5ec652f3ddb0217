#!/usr/bin/env bash
# The demo: the sample platform on loopback and Velmora in a temporary home
# pointing at it. With a display the app stays open for you to explore;
# without one it runs under Xvfb and saves screenshots in BUILD/demo/.
set -euo pipefail
build=${1:-build}
build=$(cd "$build" && pwd)
out="$build/demo"
mkdir -p "$out"

if [ -z "${DISPLAY:-}" ] && [ -z "${VELMORA_DEMO_INNER:-}" ]; then
  echo "demo: no display, running under Xvfb; screenshots go to $out"
  export VELMORA_DEMO_INNER=1
  exec xvfb-run -a -s "-screen 0 1400x960x24" dbus-run-session -- "$0" "$build"
fi

home=$(mktemp -d /tmp/velmora-demo-XXXXXX)
log="$home/platform.log"
platform_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$platform_pid" ] && kill "$platform_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

# Start the sample platform and read its address from its first line.
coproc PLATFORM { exec "$build/velmora-sample-platform" --host 127.0.0.1 --port 0 --log "$log"; }
platform_pid=$PLATFORM_PID
read -r -t 10 line <&"${PLATFORM[0]}"
url=${line#listening on }
url=${url%/}
echo "demo: sample platform at $url"

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache"
mkdir -p "$XDG_CONFIG_HOME/velmora"
printf '[Settings]\nserverURL=%s\n' "$url" > "$XDG_CONFIG_HOME/velmora/settings.ini"

if [ -z "${VELMORA_DEMO_INNER:-}" ]; then
  echo "demo: Velmora is open on the sample platform; sign in with any e-mail and password."
  echo "demo: close it with Ctrl+Q."
  "$build/velmora"
  exit 0
fi

# Under Xvfb the web process cannot build its sandbox as root in a
# container; this variable is for the demo and tests only.
export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1
"$build/velmora" >"$home/app.log" 2>&1 &
app_pid=$!

wait_for() {  # wait_for PATTERN: until the platform log shows a matching request
  for _ in $(seq 1 200); do grep -q "$1" "$log" 2>/dev/null && return 0; sleep 0.1; done
  echo "demo: timed out waiting for $1" >&2; return 1
}

wait_for '"path":"/login"'
sleep 2  # let the page paint before the picture
import -window root "$out/01-sign-in.png"
echo "demo: 1. the window opened on the sample platform's sign-in page -> $out/01-sign-in.png"
