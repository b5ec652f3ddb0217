#!/usr/bin/env bash
# The demo: the sample platform on loopback and Velmora in a temporary home,
# so the user's own settings are never touched.
#
# With a display, Velmora stays open for you to explore and the script
# prints what to try. Without one it runs under Xvfb and walks the main job
# end to end, saving one screenshot per step in BUILD/demo/. The terminal
# shows the tour alone: what Xvfb, the private session bus, the desktop
# portals it starts and Velmora itself say goes to log files beside the
# screenshots.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out="$build/demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${VELMORA_DEMO_TOUR:-}" ]; then
  mkdir -p "$out"
  echo "demo: no display: touring under Xvfb, screenshots and logs in $out"
  export VELMORA_DEMO_TOUR=1
  # The tour speaks on descriptor 3, the terminal; the session's services
  # write to their standard output and error, which go to the log.
  exec 3>&1
  exec xvfb-run -a -e "$out/xvfb.log" -s "-r -screen 0 1400x960x24" \
    dbus-run-session -- "$0" "$build" >"$out/session.log" 2>&1
fi

home=$(mktemp -d /tmp/velmora-demo-XXXXXX)
log="$home/platform.log"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
       XDG_CACHE_HOME="$home/.cache"
mkdir -p "$XDG_CONFIG_HOME" "$home/Downloads"
echo "XDG_DOWNLOAD_DIR=\"$home/Downloads\"" > "$XDG_CONFIG_HOME/user-dirs.dirs"

# The sample platform prints its address on its first line.
coproc PLATFORM { exec "$build/velmora-sample-platform" --host 127.0.0.1 --port 0 --log "$log" \
                       --state-dir "$home"; }
pids+=("$PLATFORM_PID")
read -r -t 10 line <&"${PLATFORM[0]}"
url=${line#listening on }
url=${url%/}
# Pages that say "no-cache" instead of "no-store", as a real platform's
# workspace pages do, so Velmora may keep their last copies.
curl -s -o /dev/null "$url/__control?storable=1"
link="haulvane://connect?server=$url&email=dispatch%40example.test"

if [ -z "${VELMORA_DEMO_TOUR:-}" ]; then
  cat <<EOT
demo: the sample platform runs at $url
demo: Velmora starts with nothing stored. Try:
  - type $url into the first-run panel, or click this set-up link:
      $link
    (run: $build/velmora '$link')
  - sign in with any e-mail and password; the Go menu and the dock badge follow the page
  - Ctrl+1..9 for the Go menu, Ctrl+R to reload, Ctrl+Shift+H for the dashboard
  - $url/downloads for downloads, $url/dialogs for script dialogs
demo: close Velmora with Ctrl+Q to end the demo.
EOT
  "$build/velmora"
  exit 0
fi

# --- The tour, under Xvfb --------------------------------------------------
# Descriptor 3 is the terminal; run by hand with a display, it is this
# script's own output.
{ true >&3; } 2>/dev/null || exec 3>&1
mkdir -p "$out"
rm -f "$out"/*.png "$out/velmora.log"
applog="$out/velmora.log"
# The web process cannot build its sandbox as root in a container; this is
# set for the demo run only, never by the product.
export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1
step=0

say() { echo "demo: $*" >&3; }
shot() {  # shot NAME WHAT
  step=$((step + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$out" "$step" "$1")
  import -window root "$file"
  say "$step. $2 -> $file"
}
until_true() {  # until_true SECONDS COMMAND...: polls a condition
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || { say "timed out waiting for: $*"; return 1; }
    sleep 0.2
  done
}
logged() { grep -q "$1" "$log" 2>/dev/null; }
dialog() { xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n1; }
has_dialog() { [ -n "$(dialog "$1")" ]; }
press() {  # press TITLE KEY: a key in the dialog whose title starts with TITLE
  local id; id=$(dialog "$1")
  xdotool windowfocus --sync "$id" key --clearmodifiers "$2"
}
settle() { sleep "${1:-3}"; }  # lets the page paint before a picture
activate() {  # activate app.NAME or win.NAME [string parameter]
  local path=/com/haulvane/Velmora name=${1#*.} params='[]'
  [ "${1%%.*}" = win ] && path=/com/haulvane/Velmora/window/1
  [ $# -gt 1 ] && params="[<'$2'>]"
  gdbus call --session --dest com.haulvane.Velmora --object-path "$path" \
    --method org.gtk.Actions.Activate "$name" "$params" '{}' >/dev/null
}

say "sample platform at $url; a temporary home at $home"
"$build/velmora" >"$applog" 2>&1 &
pids+=("$!")
until_true 20 has_dialog "Connect to your towing platform"
settle
shot first-run-panel "first start: nothing stored, so the first-run panel asks for the address"

# A set-up link from the platform's /app page, clicked while Velmora runs:
# here the panel is dismissed first, as a user clicking the link would.
activate app.quit
until_true 20 bash -c "! pgrep -f '^$build/velmora$' >/dev/null"
"$build/velmora" "$link" >>"$applog" 2>&1 &
app_pid=$!
pids+=("$app_pid")
until_true 20 has_dialog "Connect to 127.0.0.1?"
settle
shot link-confirmation "a set-up link with an e-mail address: Velmora asks before using a new address"
press "Connect to 127.0.0.1?" Return
until_true 20 has_dialog "Connected to"
settle
shot connected "the address answered as the platform: stored, and announced"
press "Connected to" Return
until_true 20 logged '"path":"/__loaded","query":"path=%2Flogin"'
settle
shot sign-in "the sign-in page, with the e-mail from the link filled in and the password field focused"

# Signing in: the password field has the focus after the prefill.
xdotool type --delay 20 "demo-password"
xdotool key Return
until_true 20 logged '"path":"/__loaded","query":"path=%2Fdashboard"'
settle 3
shot dashboard "signed in: the dashboard, its links in the Go menu, its unread count on the dock badge"
xdotool mousemove 170 62 click 1 2>/dev/null || true
settle 1
shot go-menu "the Go menu built from the page's own navigation, with Ctrl+1..9"
xdotool key Escape

window=$(xdotool search --onlyvisible --name '^Velmora( \([0-9]+\))?$' | head -n1)
xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+f
xdotool key --delay 60 t o w
settle 2
shot find "Ctrl+F: the find bar over the page counts the matches as you type"
xdotool key Escape
xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+question
until_true 20 has_dialog "Keyboard Shortcuts"
settle 1
shot shortcuts "Ctrl+?: every shortcut of the menus in one window"
press "Keyboard Shortcuts" Escape

activate win.goToPath "$url/downloads?start=invoice.pdf"
until_true 30 bash -c "ls '$home/Downloads' | grep -q ."
settle 2
shot download "a download saved straight into Downloads: $(ls "$home/Downloads" | tr '\n' ' ')"

activate win.goHome
until_true 20 logged '"path":"/__loaded","query":"path=%2Fdashboard"'
settle 3  # the dashboard's last copy is saved two seconds after its load

kill "$PLATFORM_PID"
activate win.reloadPage
settle 3
shot error-overlay "the sample platform stopped: the error screen offers Try Again, Change Server… and Show Last Copy"
until_true 20 bash -c "/usr/bin/python3 '$source_dir/tests/e2e/accessible_tree.py' '$app_pid' 'Show Last Copy' | grep -q pressed"
settle 2
shot last-copy "Show Last Copy: the dashboard as last seen, read only, until the server answers again"
say "tour complete: $step screenshots in $out; logs in $out/*.log"
