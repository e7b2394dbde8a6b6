#!/usr/bin/env bash
# End to end: the grid gallery edited as a person would, with xdotool. A
# click into the text cell, a key typed, Enter; Tab along the rows to the
# list-choice cell and a choice made with the Down key; on to the check box,
# Space, and on. Each step is checked in the gallery's event log, read back
# from another process by gallery_dump.
#
# Runs on a virtual display of its own and in a Wine prefix of its own, so
# keystrokes never land in another test's window.
#   gallery_e2e.sh <grid_gallery.exe> <gallery_dump.exe>
set -uo pipefail
exe=$1
dump=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVEL_BUILD_DIR:?QUORVEL_BUILD_DIR must name the Windows build folder}

if [ -z "${QUORVEL_E2E_DISPLAY:-}" ]; then
  export QUORVEL_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1500x720x24" bash "$0" "$@"
fi

work="$build/gallery-e2e"
mkdir -p "$work"
shot="$work/gallery.png"
rm -f "$shot" "$work/gallery.err" "$work/dump.err"
export WINEPREFIX="$build/gallery-e2e-prefix"
export WINEDEBUG=-all
wine_run() { "$root/scripts/wine-run" "$@"; }

gallery_pid=""
cleanup() {
  [ -n "$gallery_pid" ] && kill "$gallery_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
# The polling, checks and window lookup of the main end-to-end test; the
# gallery's own key helpers below take the place of its Quorvel ones.
# shellcheck source=drive.sh
source "$root/tests/e2e/drive.sh"
dump() { wine_run "$dump" 2>>"$work/dump.err" | tr -d '\r'; }
fatal() {
  echo "FAIL $1"
  import -window root "$shot" 2>/dev/null
  echo "--- what the gallery shows"; dump
  echo "--- error output"; tail -n 5 "$work/gallery.err" "$work/dump.err" 2>/dev/null
  exit 1
}
# The log holds a line with this text (fixed string, whole line).
logged() { dump | grep -Fxq "log $1"; }
# The cell the last accepted move went to, as "row column".
last_move() { dump | sed -n 's/^log 3 CellChanging \([0-9-]*\) \([0-9-]*\) .*/\1 \2/p' | tail -n 1; }
moved_to() { [ "$(last_move)" = "$1" ]; }
# A click on the caption gives the window the keyboard back; the gallery
# keeps its focus where it was.
activate() {
  local window
  window=$(find_window '^Quorvel grid gallery$')
  [ -n "$window" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/A_/')"
  xdotool mousemove $((A_X + A_WIDTH / 2)) $((A_Y + 8)) click 1
  sleep 0.5
}
tries="1 2 3 4 5"
# Presses a key, and again while the command that tells it took effect says
# no (the display can lose the keyboard on a loaded machine).
press_until() {
  local key=$1
  shift
  for try in $tries; do
    [ "$try" = 1 ] || { note "pressing $key again"; activate; }
    "$@" && return 0
    xdotool key "$key"
    wait_for 6 "$@" && return 0
  done
  return 1
}
move_changed() { [ "$(last_move)" != "$1" ]; }
# Tab from cell to cell until the cell "row column" is current.
tab_to() {
  local target=$1 steps=0 before
  while ! moved_to "$target"; do
    steps=$((steps + 1))
    [ $steps -le 40 ] || return 1
    before=$(last_move)
    press_until Tab move_changed "$before" || return 1
  done
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine_run wineboot -i >/dev/null 2>&1
fi
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none /f >/dev/null 2>&1

# Closes itself after five minutes should the test be stopped midway.
wine_run "$exe" 300000 >/dev/null 2>"$work/gallery.err" &
gallery_pid=$!
gallery_up() { [ -n "$(find_window '^Quorvel grid gallery$')" ]; }
wait_for 60 gallery_up || fatal "the gallery did not appear"
wait_for 20 bash -c "'$root/scripts/wine-run' '$dump' 2>/dev/null | grep -q '^grid '" || fatal "no grid to read"
note "the gallery is up"
activate

# The text cell "Edit me" (row 0, grid column 1) is current; its editor lies
# over it. Column 0 is 150 pixels wide, rows are 28 high.
eval "$(dump | sed -n 's/^grid \([0-9-]*\) \([0-9-]*\)$/GX=\1 GY=\2/p')"
header=$(dump | sed -n 's/^header //p')
cell_x=$((GX + 150 + 40))
cell_y=$((GY + header + 14))
for try in $tries; do
  xdotool mousemove "$cell_x" "$cell_y" click 1
  wait_for 5 logged '14 LeftClick 0 1 ""' && break
  note "clicking the text cell again"
done
check "a click into the text cell reaches the owner" logged '14 LeftClick 0 1 ""'

xdotool key End
check "a typed key is offered to the owner" press_until X logged "0 KeyChar 0 1 'X' \"Edit me\""
check "Enter commits the edit" press_until Return logged '2 TextChanged 0 1 "Edit meX"'
check "and moves to the next cell" moved_to "0 2"

# On to the list choice "Green" (row 3), and the next item with the keyboard.
check "Tab reaches the list-choice cell" tab_to "3 1"
check "Down chooses the next item" press_until Down logged '10 ComboChanged 3 1 #2 "Blue"'

check "Tab reaches the check box" tab_to "5 1"
check "the choice was committed on the way" logged '2 TextChanged 3 1 "Blue"'
xdotool key space
sleep 0.5
check "Space ticks the box off, committed on leaving" press_until Tab logged '2 TextChanged 5 1 "no"'

import -window root "$shot" 2>/dev/null
if grep -q "Unhandled\|page fault" "$work/gallery.err" 2>/dev/null; then
  echo "FAIL the gallery crashed"
  failures=$((failures + 1))
fi
if [ "$failures" -gt 0 ]; then
  echo "--- what the gallery shows"; dump
  exit 1
fi
echo "all gallery steps passed"
