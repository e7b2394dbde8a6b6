#!/usr/bin/env bash
# `make run`: the demo game server on 127.0.0.1 and Quorvel beside it, under
# Wine in a prefix of its own (build/run-prefix), with a "Local demo server"
# favourite already saved.
#
# With a display, Quorvel opens there and the script waits until it is
# closed. Without one (CI, ssh), it runs on a virtual display, connects to
# the demo server through the favourites window as a person would, saves a
# screenshot to build/quorvel-run.png and stops.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${QUORVEL_RUN_HEADLESS:-}" ]; then
  export QUORVEL_RUN_HEADLESS=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
fi

server="$build/native/tools/demo-server/demo-server"
exe="$build/mingw/app/quorvel.exe"
for f in "$server" "$exe"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "missing $f: run 'make build' first" >&2; exit 1; }
done

export QUORVEL_BUILD_DIR="$build/mingw"
export WINEPREFIX="$build/run-prefix"
wine_run() { "$root/scripts/wine-run" "$@"; }

server_pid=""
quorvel_pid=""
server_out=$(mktemp)
cleanup() {
  [ -n "$quorvel_pid" ] && kill "$quorvel_pid" 2>/dev/null || true
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null || true
  rm -f "$server_out"
}
trap cleanup EXIT INT TERM

# The demo server on a free port; it says which once it is bound.
"$server" --port 0 --password demo >"$server_out" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 1 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$server_out" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the demo server did not start:" >&2; cat "$server_out" >&2; exit 1; }
echo "Demo server listening on 127.0.0.1:$port (password: demo)"

# The prefix, made once; then the favourite in its %APPDATA%\Quorvel\favs.dat.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX (once, takes a few seconds)"
  wine_run wineboot -i >/dev/null 2>&1 || true
fi
appdata_win=$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
appdata=$(wine_run winepath -u "$appdata_win" 2>/dev/null | tr -d '\r')
mkdir -p "$appdata/Quorvel"
printf '%s\r\n' "Local demo server" "127.0.0.1" "$port" "demo" >"$appdata/Quorvel/favs.dat"

wine_run "$exe" &
quorvel_pid=$!

if [ -z "${QUORVEL_RUN_HEADLESS:-}" ]; then
  echo "Quorvel is open: Server > Connect, then double-click \"Local demo server\"."
  wait "$quorvel_pid" || true
  exit 0
fi

# Headless: wait for the window, connect through the favourites, show it.
window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --name '^Quorvel$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "Quorvel's window did not appear" >&2; exit 1; }
sleep 2
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" F10 Return Return   # Server > Connect
for _ in $(seq 1 20); do
  xdotool search --name '^Connect$' >/dev/null 2>&1 && break
  sleep 0.25
done
sleep 0.5
xdotool key Down shift+F10 Return                   # first favourite > Connect
sleep 3
xdotool key F5                                       # refresh, as a person would
sleep 3
import -window root "$build/quorvel-run.png"
echo "Screenshot: $build/quorvel-run.png"
