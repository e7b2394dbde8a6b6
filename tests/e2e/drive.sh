# The driving helpers of the end-to-end test, shared with the start-up
# benchmark: Quorvel is driven with xdotool as a person would, and every key's
# effect is read back from the window (e2e_list_dump) and the key sent again
# when the display lost it.
#
# The sourcing script sets: wine_run (runs a Windows program in its prefix),
# dump (the read-back tool), work (a folder for the tool's error output);
# session.sh does all but dump for the end-to-end tests.
# One check of the test: "ok" or "FAIL" with its description; the failures
# are counted in `failures`, which the test's exit status reads.
failures=${failures:-0}
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
# Where the time goes, and each key that had to be sent again.
note() { echo "     ${SECONDS}s $*"; }
# Polls `command` for up to `seconds`.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}
# The read-back tool's failures are counted, not hidden: a crash shows in
# the test's output.
window_dump() {
  local out status
  out=$(wine_run "$dump" 2>>"$work/dump.err")
  status=$?
  [ "$status" = 0 ] || echo "$status" >>"$work/dump-failures"
  tr -d '\r' <<<"$out"
}
# The value the read-back tool gives for a key ("first-row", "bans", ...).
dump_value() { window_dump | sed -n "s/^$1 //p" | head -n 1; }
player_rows() { window_dump | sed -n 's/^players \([0-9]*\)$/\1/p'; }
row_name() { window_dump | sed -n "s/^row $1 \([^	]*\).*/\1/p"; }  # row index
# A value of the Info tab's property box, by its label.
info_value() { window_dump | sed -n "s/^info-row [0-9]* $1\t//p" | head -n 1; }
info_set() { [ -n "$(info_value "$1")" ]; }
info_matches() { info_value "$1" | grep -Eq -- "$2"; }
has_players() { [ "$(player_rows)" -gt 0 ] 2>/dev/null; }
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
window_exists() { [ -n "$(find_window "$1")" ]; }
menu_open() { window_dump | grep -q '^menu-open 1'; }
main_has_keys() { window_dump | grep -q '^main-has-keys 1'; }
# The keyboard focus is in the control with this id, or in its edit box.
focus_in() { window_dump | grep -Eq "^focus ($1 [0-9-]+|[0-9-]+ $1)\$"; }
focus_text_is() { window_dump | grep -Fxq "focus-text $1"; }
focus_text_length_is() { window_dump | grep -Fxq "focus-text-length $1"; }
# Keys go where the display's focus is. It trails Quorvel's own focus by a
# moment after a window opens or closes, and now and then, on a loaded
# machine, it leaves Wine's windows altogether (Quorvel then reports no
# focus and no foreground window, or the desktop in the foreground), even
# twice in a row. The helpers below read back what each key did and, when
# one was lost, click the window and try again, as a person would.
tries="1 2 3 4 5"
#
# A click on the window's caption, to give it the keyboard back; Quorvel puts
# the focus back where it was.
activate() {
  local window
  window=$(find_window "$1")
  [ -n "$window" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/A_/')"
  xdotool mousemove $((A_X + A_WIDTH / 2)) $((A_Y + 8)) click 1
  sleep 0.5
}
# Types into the control with this id of the window with this title once the
# control has the focus, and reads the text back; when a key was lost, selects
# what is there and types it again. A password is checked by its length.
#   type_into TITLE ID TEXT [password]
type_into() {
  local title=$1 id=$2 text=$3 kind=${4:-}
  for try in $tries; do
    [ "$try" = 1 ] || { note "typing into $id again"; activate "$title"; }
    wait_for 10 focus_in "$id" || continue
    sleep 0.2
    xdotool key End shift+Home
    xdotool type --delay 30 "$text"
    if [ "$kind" = password ]; then
      wait_for 3 focus_text_length_is "${#text}" && return 0
    else
      wait_for 3 focus_text_is "$text" && return 0
    fi
  done
  return 1
}
# Presses a key in the control with this id of the window with this title,
# and again while the command that tells it took effect says no.
#   press_until TITLE ID KEY COMMAND...
press_until() {
  local title=$1 id=$2 key=$3
  shift 3
  for try in $tries; do
    [ "$try" = 1 ] || note "pressing $key in $id again"
    if [ "$try" != 1 ] && ! focus_in "$id"; then activate "$title"; fi
    xdotool key "$key"
    wait_for 8 "$@" && return 0
  done
  return 1
}
# Tab from the control with the first id to the one with the second, in the
# window with this title, again while the key is lost.
#   tab_to TITLE FROM-ID TO-ID
tab_to() {
  local title=$1 from=$2 to=$3
  for try in $tries; do
    focus_in "$to" && return 0
    [ "$try" = 1 ] || note "Tab to $to again"
    if [ "$try" != 1 ] && ! focus_in "$from"; then
      activate "$title"
      focus_in "$to" && return 0
    fi
    xdotool key Tab
    wait_for 3 focus_in "$to" && return 0
  done
  return 1
}
# Server > Quick Connect, from the keyboard: F10, Enter opens "Server" with
# its first item selected, Down, Enter. Each key waits for the menu to be up,
# not for a guessed time, so a slow machine cannot send it elsewhere.
# A key sent the moment a menu reports itself open can still be lost (Wine's
# menu loop may not be reading yet): when the dialog does not come, close the
# menu and try again, as a person would.
open_quick_connect() {
  local try
  for try in $tries; do
    [ "$try" = 1 ] || { note "opening the menu again"; activate '^Quorvel$'; }
    main_has_keys || activate '^Quorvel$'
    xdotool key F10; sleep 0.3
    xdotool key Return
    if wait_for 15 menu_open; then
      sleep 0.4
      xdotool key Down; sleep 0.3
      xdotool key Return
      if wait_for 8 window_exists '^Quick Connect$'; then return 0; fi
    fi
    window_exists '^Quick Connect$' && return 0
    xdotool key Escape; sleep 0.3; xdotool key Escape; sleep 0.5
  done
  return 1
}
# F5, once the main window has the keyboard.
press_f5() {
  main_has_keys || activate '^Quorvel$'
  xdotool key F5
}
# Server > Quick Connect to 127.0.0.1:PORT with the password "demo" (and
# QUERY-PORT in "Query port" when given), each field typed and read back, then
# Enter in the last one, again while the command says the login did not take
# effect. When a step fails, `lost` says which.
#   quick_connect [--query QUERY-PORT] PORT COMMAND...
quick_connect() {
  local qc='^Quick Connect$' query="" to last=103
  if [ "$1" = --query ]; then
    query=$2
    shift 2
  fi
  to=$1
  shift
  lost="Quick Connect did not open"
  open_quick_connect || return 1
  lost="the host did not reach Quick Connect"
  type_into "$qc" 101 "127.0.0.1" || return 1
  lost="Tab did not reach the port"
  tab_to "$qc" 101 102 || return 1
  lost="the port did not reach Quick Connect"
  type_into "$qc" 102 "$to" || return 1
  lost="Tab did not reach the password"
  tab_to "$qc" 102 103 || return 1
  lost="the password did not reach Quick Connect"
  type_into "$qc" 103 "demo" password || return 1
  if [ -n "$query" ]; then
    lost="Tab did not reach the query port"
    tab_to "$qc" 103 104 || return 1
    lost="the query port did not reach Quick Connect"
    type_into "$qc" 104 "$query" || return 1
    last=104
  fi
  lost="no login reached the server on port $to"
  press_until "$qc" "$last" Return "$@"
}
# A right click on the point "X Y" and the first item of its pop-up menu, with
# the same care for the menu's keys as for the menu bar's, until the dialog
# with this title opens.
#   popup_first_item "X Y" TITLE
popup_first_item() {
  local x y try
  read -r x y <<<"$1"
  for try in $tries; do
    if [ "$try" != 1 ]; then
      # A click on the caption closes a menu left open without the keyboard,
      # and gives the window the keyboard back.
      note "opening the pop-up menu again"
      activate '^Quorvel$'
      menu_open && activate '^Quorvel$'
    fi
    xdotool mousemove "$x" "$y" click 3
    if wait_for 15 menu_open; then
      sleep 0.4
      xdotool key Down; sleep 0.3; xdotool key Return
      wait_for 8 window_exists "$2" && return 0
    fi
    window_exists "$2" && return 0
    xdotool key Escape; sleep 0.5
  done
  return 1
}
