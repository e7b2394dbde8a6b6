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
# session.sh: the display, work folder and Wine prefix, fatal and the
# clean-up, with drive.sh's polling, checks and window lookup; the gallery's
# own key helpers below take the place of drive.sh's Quorvel ones.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1500x720 "$@"
use_work_folder "$build/gallery-e2e"
use_prefix "$build/gallery-e2e-prefix"
shot="$work/gallery.png"
dump() { wine_run "$dump" 2>>"$work/dump.err" | tr -d '\r'; }
# The log holds a line with this text (fixed string, whole line).
logged() { dump | grep -Fxq "log $1"; }
# The cell the last accepted move went to, as "row column".
last_move() { dump | sed -n 's/^log 3 CellChanging \([0-9-]*\) \([0-9-]*\) .*/\1 \2/p' | tail -n 1; }
moved_to() { [ "$(last_move)" = "$1" ]; }
# drive.sh's activate, a click on the caption, gives the window the keyboard
# back; the gallery keeps its focus where it was.
title='^Quorvel grid gallery$'
# Presses a key, and again while the command that tells it took effect says
# no (the display can lose the keyboard on a loaded machine).
press_until() {
  local key=$1
  shift
  for try in $tries; do
    [ "$try" = 1 ] || { note "pressing $key again"; activate "$title"; }
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

# Closes itself after five minutes should the test be stopped midway.
wine_run "$exe" 300000 >/dev/null 2>"$work/gallery.err" &
program_pid=$!
wait_for 60 window_exists "$title" || fatal "the gallery did not appear"
wait_for 20 bash -c "'$root/scripts/wine-run' '$dump' 2>/dev/null | grep -q '^grid '" || fatal "no grid to read"
note "the gallery is up"
activate "$title"

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
