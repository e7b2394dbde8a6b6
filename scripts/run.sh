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
"$server" --port 0 --query-port 0 --password demo >"$server_out" 2>&1 &
server_pid=$!
port=""
query_port=""
for _ in $(seq 1 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$server_out" | head -n 1)
  query_port=$(sed -n 's/^query port 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$server_out" | head -n 1)
  [ -n "$port" ] && [ -n "$query_port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the demo server did not start:" >&2; cat "$server_out" >&2; exit 1; }
echo "Demo server listening on 127.0.0.1:$port (password: demo), Steam query on $query_port"

# The prefix, made once; then the favourite in its %APPDATA%\Quorvel\favs.dat.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX (once, takes a few seconds)"
  wine_run wineboot -i >/dev/null 2>&1 || true
fi
appdata_win=$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
appdata=$(wine_run winepath -u "$appdata_win" 2>/dev/null | tr -d '\r')
mkdir -p "$appdata/Quorvel"
# Without a window manager Wine must draw the windows' frames itself.
if [ -n "${QUORVEL_RUN_HEADLESS:-}" ]; then
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
fi
printf '%s\r\n' "Local demo server" "127.0.0.1" "$port" "demo" >"$appdata/Quorvel/favs.dat"
# Its Steam query port, as the Connect dialog's "Query port" keeps it.
printf '%s\r\n' "[127.0.0.1:$port]" "query_port=$query_port" >"$appdata/Quorvel/settings.ini"

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
  window=$(xdotool search --onlyvisible --name '^Quorvel$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "Quorvel's window did not appear" >&2; exit 1; }
sleep 2
# No window manager on the virtual display: a click on the caption gives the
# window the keyboard.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
sleep 0.5
xdotool key F10; sleep 0.3; xdotool key Return; sleep 0.5; xdotool key Return   # Server > Connect
dialog=""
for _ in $(seq 1 20); do
  dialog=$(xdotool search --onlyvisible --name '^Connect$' 2>/dev/null | head -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.25
done
if [ -n "$dialog" ]; then
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  # The favourites list fills the window's left side; the first entry is the
  # demo server. A double click connects.
  xdotool mousemove $((X + 60)) $((Y + 31)) click --repeat 2 --delay 80 1
else
  echo "the favourites window did not open" >&2
fi
sleep 4
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$build/quorvel-run.png"
echo "Screenshot: $build/quorvel-run.png"
