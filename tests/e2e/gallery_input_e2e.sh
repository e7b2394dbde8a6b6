#!/usr/bin/env bash
# The gallery's input page driven as a person would, with xdotool on a
# virtual display of its own: a mouse drag selecting a 3 x 3 block, Ctrl+C
# and the clipboard's text read back, a button cell clicked (its count read
# back through the clipboard), and a header divider dragged wider.
#   gallery_input_e2e.sh <grid_gallery.exe> <e2e_gallery_probe.exe>
set -uo pipefail
gallery=${1:?gallery}
probe=${2:?probe}
# session.sh: the display of its own, wine_run, and the gallery stopped on
# the way out. Not a Wine prefix of its own: the default one, whose clipboard
# and foreground window the GUI tests share (hence their lock).
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1500x1100 "$@"
probe() { wine_run "$probe" 2>/dev/null | tr -d '\r'; }
fact() { probe | sed -n "s/^$1 //p"; }
# The check of this test: what was expected beside what came.
check_equal() {
  local name=$1 expected=$2 actual=$3
  if [ "$expected" = "$actual" ]; then
    echo "ok: $name"
  else
    echo "FAILED: $name: expected [$expected], got [$actual]"
    failures=$((failures + 1))
  fi
}

wine_run "$gallery" 90000 > /dev/null 2>&1 &
program_pid=$!
for _ in $(seq 60); do
  [ -n "$(fact 'cell 0 0')" ] && break
  sleep 1
done
read -r x0 y0 <<< "$(fact 'cell 1 0')"
read -r x2 y2 <<< "$(fact 'cell 3 2')"
if [ -z "${x0:-}" ]; then
  echo "FAILED: the gallery's input page never showed"
  exit 1
fi

# A drag from row 1, column 0 to row 3, column 2, in small steps.
xdotool mousemove "$x0" "$y0" mousedown 1
sleep 0.3
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((x0 + (x2 - x0) * step / 8)) $((y0 + (y2 - y0) * step / 8))
  sleep 0.1
done
sleep 0.3
xdotool mouseup 1
sleep 0.5
xdotool key ctrl+c
sleep 1
check_equal "a 3 x 3 block dragged and copied" 'r1c0\tPress me\tr1c2\r\nr2c0\tyes\tr2c2\r\nr3c0\tr3c1\tr3c2\r\n' \
  "$(fact clip)"

# The button cell: pressed and released over it, then copied as the current cell.
read -r bx by <<< "$(fact 'cell 1 1')"
read -r ax ay <<< "$(fact 'cell 0 1')"
xdotool mousemove "$bx" "$by" click 1
sleep 0.5
xdotool mousemove "$ax" "$ay" click 1
sleep 0.3
xdotool key Down
sleep 0.3
xdotool key ctrl+c
sleep 1
check_equal "the button cell counted its press" 'Pressed 1\r\n' "$(fact clip)"

# The divider right of column 1, dragged 40 pixels to the right.
before=$(fact 'width 1')
read -r dx dy <<< "$(fact divider)"
xdotool mousemove "$dx" "$dy" mousedown 1
sleep 0.3
for step in 1 2 3 4; do
  xdotool mousemove $((dx + 10 * step)) "$dy"
  sleep 0.1
done
xdotool mouseup 1
sleep 0.5
check_equal "the header divider dragged 40 pixels wider" "$((before + 40))" "$(fact 'width 1')"

kill "$program_pid" 2>/dev/null
wait "$program_pid" 2>/dev/null
program_pid=""
[ "$failures" -eq 0 ]
