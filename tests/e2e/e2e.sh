#!/usr/bin/env bash
# End to end: Quorvel under Wine against the demo server, used as a person
# would use it. Quick Connect from the menu, typing host, port and password
# (with a detour to another window and back), Enter; F5; a right click on a
# player and "Kick" with a reason; a menu held open past the server's
# patience with a silent client, then F5 again. Checked on both sides: the
# server's log of what it received, and what the window shows (read back by
# e2e_list_dump).
# The screenshot stays in the build folder.
#
# Runs on a virtual display of its own and in a Wine prefix of its own, so
# keystrokes never land in another test's window; everything it starts is
# stopped on the way out.
#   e2e.sh <quorvel.exe> <e2e_list_dump.exe>
#
# QUORVEL_E2E_VARIANT=no-status runs the same steps against a demo server
# that never answers the status query (a remote console on a port of its
# own): the players must still be listed, with team, score and deaths empty,
# and Kick must still work.
set -uo pipefail
exe=$1
dump=$2
# session.sh: the display, work folder and Wine prefix, the demo server,
# Quorvel's start, fatal, finish and the clean-up; drive.sh's keys with it.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1024x768 "$@"

variant=${QUORVEL_E2E_VARIANT:-}
server_options=()
if [ "$variant" = no-status ]; then
  server_options=(--no-status)
  use_work_folder "$build/e2e-no-status"
else
  use_work_folder "$build/e2e"
fi
log="$work/server.log"
shot="$work/e2e-main-window.png"
use_prefix "$build/e2e-prefix"
show_details() { echo "--- server logs"; tail -n +1 "$work"/server*.log 2>/dev/null; }
server_received() { grep -q -- "$1" "$log" 2>/dev/null; }
count_received() { grep -c -- "$1" "$log" 2>/dev/null || true; }

# The "Info" tab: the settings the status reply and the remote console's
# replies gave, read back from its property box; then the server comes back
# with another host name and without "mod" (a second server on the same
# address), and F5 shows the new name while the mods stay as they were.
info_is() { [ "$(info_value "$1")" = "$2" ]; }
info_stage() {
  window_dump | grep '^info-row' | sed 's/^/     /'
  check "Info: the property box has its 26 rows" bash -c "[ \"\$(\"$root/scripts/wine-run\" \"$dump\" 2>/dev/null | tr -d '\r' | sed -n 's/^info //p')\" = 26 ]"
  # The demo server sends its host name in UTF-8 ("é" in two bytes): it shows
  # as one character, not as two read in the 8-bit code page.
  check "Info: host name in UTF-8" wait_for 10 info_is "Host Name" "Démo Server | Quorvel test bed"
  check "Info: language by name (1033)" info_matches "Language" '^English'
  check "Info: difficulty 2 by name" info_is "Difficulty" "Veteran"
  check "Info: mission" info_is "Mission Name" "Demo Patrol Ops"
  check "Info: island" info_is "Island" "Chernarus"
  check "Info: max players" info_is "Max Players" "256"
  check "Info: mods" info_is "Mods" "CA;Expansion;@cba"
  check "Info: BattlEye version (BE_VERSION)" wait_for 10 info_set "Version"
  check "Info: max ping (BE_MAXPING)" wait_for 10 info_set "Max Ping"
  # The last player list's count: the players tab shows the same list.
  # Two rows are called "Players": the General group's, then the Battleye group's.
  players_count_matches() { [ "$(window_dump | sed -n "s/^info-row [0-9]* Players\t//p" | tail -n 1)" = "$(player_rows)" ]; }
  check "Info: players (BE_PLAYERS) as listed" players_count_matches
  local tab
  tab=$(window_dump | sed -n 's/^info-tab \([0-9-]*\) \([0-9-]*\)$/\1 \2/p')
  if [ -n "$tab" ]; then
    read -r tx ty <<<"$tab"
    xdotool mousemove "$tx" "$ty" click 1
    sleep 1
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/e2e-info-tab.png" 2>/dev/null
  fi

  stop_demo_server "$server_pid"
  start_demo_server server2 --port "$port" --players 6 --chat-interval 0 \
    --setting "hostname=Second demo server" --setting mod
  second_server_seen() { info_is "Host Name" "Second demo server"; }
  for try in $tries; do
    [ "$try" = 1 ] || note "pressing F5 again"
    main_has_keys || activate '^Quorvel$'
    sleep 0.3
    xdotool key F5
    wait_for 5 second_server_seen && break
  done
  check "Info: the second server's host name" second_server_seen
  check "Info: a key the second server lacks keeps its value" info_is "Mods" "CA;Expansion;@cba"
  check "Info: the values the second server sent again stay" info_is "Island" "Chernarus"
}

# The Info tab's groups fold and unfold: a click in a heading's margin box,
# then Ctrl+Space on a heading; the rows come back in order with their values.
info_rows_now() { window_dump | grep '^info-row' | sed 's/^info-row [0-9]* //'; }
info_rows_are() { [ "$(info_rows_now)" = "$1" ]; }
info_count_is() { [ "$(window_dump | sed -n 's/^info //p')" = "$1" ]; }
info_margin_of() {  # label: the screen point of its row's margin cell
  local dumped row
  dumped=$(window_dump)
  row=$(sed -n "s/^info-row \([0-9]*\) $1	.*/\1/p" <<<"$dumped" | head -n 1)
  [ -n "$row" ] && sed -n "s/^info-margin $row \([0-9-]*\) \([0-9-]*\)$/\1 \2/p" <<<"$dumped"
}
info_fold_stage() {
  local tab before point x y
  tab=$(window_dump | sed -n 's/^info-tab \([0-9-]*\) \([0-9-]*\)$/\1 \2/p')
  [ -n "$tab" ] || fatal "the Info tab was not found"
  read -r x y <<<"$tab"
  main_has_keys || activate '^Quorvel$'
  xdotool mousemove "$x" "$y" click 1
  sleep 0.5
  before=$(info_rows_now)
  point=$(info_margin_of "General")
  [ -n "$point" ] || fatal "the General heading's margin cell was not found"
  read -r x y <<<"$point"
  xdotool mousemove "$x" "$y" click 1
  check "Info fold: a click on the General heading's box hides its 14 rows" wait_for 5 info_count_is 12
  check "Info fold: the rows after them stay, in order" \
    info_rows_are "$(sed -n '1p;16,$p' <<<"$before")"
  xdotool mousemove "$x" "$y" click 1
  check "Info fold: a second click brings them back in order, values kept" wait_for 5 info_rows_are "$before"

  point=$(info_margin_of "Mission info")
  [ -n "$point" ] || fatal "the Mission info heading's margin cell was not found"
  read -r x y <<<"$point"
  # A click on the heading's label makes it the current row without folding it.
  xdotool mousemove "$((x + 60))" "$y" click 1
  sleep 0.5
  xdotool key ctrl+space
  check "Info fold: Ctrl+Space on Mission info hides its 5 rows" wait_for 5 info_count_is 21
  xdotool key ctrl+space
  check "Info fold: Ctrl+Space again brings them back in order, values kept" wait_for 5 info_rows_are "$before"
}

# The server forgets a client silent for 25 s: longer than Quorvel's 20 s
# between keep-alives, shorter than the menu held open below.
start_demo_server server --players 6 --chat-interval 0 --client-timeout 25000 "${server_options[@]}"

start_quorvel
check "REFRESH starts disabled" bash -c "[ \"\$(\"$root/scripts/wine-run\" \"$dump\" 2>/dev/null | tr -d '\r' | sed -n 's/^refresh-enabled //p')\" = 0 ]"

open_quick_connect || fatal "Quick Connect did not open"
note "Quick Connect is open"
qc='^Quick Connect$'
type_into "$qc" 101 "127.0.0.1" || fatal "the host did not reach Quick Connect"
# Another window taking the keyboard and the user clicking back: the host
# field has it again, not the dialog's frame. (A click that comes while Wine
# is still taking in the loss can go unheeded; the user clicks again.)
root_window=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
xdotool windowfocus "$root_window"; sleep 1
field_has_keys() {
  for try in $tries; do
    [ "$try" = 1 ] || note "clicking Quick Connect again"
    activate "$qc"
    wait_for 3 focus_in 101 && return 0
  done
  return 1
}
check "Quick Connect gives the keyboard back to its field" field_has_keys
tab_to "$qc" 101 102 || fatal "Tab did not reach the port"
type_into "$qc" 102 "$port" || fatal "the port did not reach Quick Connect"
tab_to "$qc" 102 103 || fatal "Tab did not reach the password"
type_into "$qc" 103 "demo" password || fatal "the password did not reach Quick Connect"
press_until "$qc" 103 Return server_received 'RECV 0 - demo' || fatal "no login reached the server"
wait_for 15 has_players || fatal "no players appeared"
note "logged in, players listed"
check "Quick Connect closed after the login" bash -c "! xdotool search --onlyvisible --name '^Quick Connect\$' >/dev/null 2>&1"
check "the server got the player list request" server_received 'RECV 1 [0-9]* players'
check "the server got the status query" server_received 'RECV status-query'
dump_now=$(window_dump)
check "six players listed" [ "$(echo "$dump_now" | sed -n 's/^players //p')" = 6 ]
check "the log shows the connection" grep -q "^log Connected to 127.0.0.1:$port" <<<"$dump_now"
check "REFRESH is enabled once connected" grep -q '^refresh-enabled 1' <<<"$dump_now"
if [ "$variant" = no-status ]; then
  # Cells 1 to 3 of a row: score, deaths, team.
  no_status_cells() { awk -F'\t' '/^row / && ($2 != "" || $3 != "" || $4 != "") { bad = 1 } END { exit bad }' <<<"$dump_now"; }
  check "without a status reply, score, deaths and team are empty" no_status_cells
fi

# F5 asks for the players again, once the main window holds the keyboard.
before=$(count_received 'players')
players_asked_again() { [ "$(count_received 'players')" -gt "$before" ]; }
for try in $tries; do
  [ "$try" = 1 ] || note "pressing F5 again"
  wait_for 10 main_has_keys
  sleep 0.3
  xdotool key F5
  wait_for 5 players_asked_again && break
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
  sleep 0.5
done
check "F5 sends \"players\" again" players_asked_again

# Right click on the first player, "Kick", a reason, the "Kick player" button.
first=$(window_dump | sed -n 's/^first-row \([0-9-]*\) \([0-9-]*\)$/\1 \2/p')
[ -n "$first" ] || fatal "no first row to click"
read -r fx fy <<<"$first"
xdotool mousemove "$fx" "$fy" click 1
sleep 0.3
popup_first_item "$first" '^Kick Player' || fatal "the Kick dialog did not open"   # "Kick"
note "the Kick dialog is open"
type_into '^Kick Player' 301 "e2e test" || fatal "the reason did not reach the Kick dialog"
tab_to '^Kick Player' 301 302 || fatal "Tab did not reach \"Kick player\""
check "the server got the kick with its reason" \
  press_until '^Kick Player' 302 Return server_received 'RECV 1 [0-9]* kick [0-9]* e2e test'
log_shows_kick() { window_dump | grep -q '^log .*has been kicked.*(e2e test)'; }
check "the server's kick message reached the log" wait_for 10 log_shows_kick

# A stranger floods Quorvel's port with 20,000 datagrams, then the server
# pushes one message: acknowledged once, within 1 s, and shown once. The
# server gives up a client after 5 unanswered sends, so a client that reads
# the flood before the server's message loses it.
flood_stage() {
  local qport result latency acks
  qport=$(ss -uanpH 2>/dev/null | awk '/quorvel/ { n = split($4, a, ":"); print a[n]; exit }')
  if [ -z "$qport" ]; then
    check "Quorvel's port found for the flood" false
    return
  fi
  sleep 2  # the kick's messages acknowledged before counting
  result=$(python3 "$root/tests/e2e/flood.py" "$qport" 20000 "$server_pid" "$log")
  read -r latency acks <<<"$result"
  note "after the flood: acknowledged in ${latency} ms, ${acks} acknowledgement(s)"
  in_time() { [ "$latency" -ge 0 ] && [ "$latency" -le 1000 ]; }
  check "after a 20,000-datagram flood the server's message is acknowledged within 1 s" in_time
  check "and acknowledged once" [ "$acks" = 1 ]
  shown_once() { [ "$(window_dump | grep -c '^log (Global) Admin: Is everyone there?$')" = 1 ]; }
  check "and shown once" wait_for 5 shown_once
}
[ "$variant" = no-status ] || flood_stage

# A menu held open for longer than the server waits for a silent client. The
# network tick goes on inside the menu's own loop, so keep-alives still go
# out, the session survives and F5 afterwards still gets its answer.
keepalives() { count_received 'RECV 1 [0-9]* $'; }
player_lists() { window_dump | grep -c '^log Received player list\.$'; }
hold=30
held=""
for try in $tries; do
  [ "$try" = 1 ] || { note "opening the menu again"; activate '^Quorvel$'; }
  main_has_keys || activate '^Quorvel$'
  xdotool key F10; sleep 0.3; xdotool key Return
  if wait_for 15 menu_open; then held=1; break; fi
  xdotool key Escape; sleep 0.3; xdotool key Escape; sleep 0.5
done
[ -n "$held" ] || fatal "the Server menu did not open"
keepalives_before=$(keepalives)
lists_before=$(player_lists)
note "holding the Server menu open for ${hold} s"
sleep "$hold"
check "the menu stayed open for ${hold} s" menu_open
check "keep-alives went out while the menu was open" [ "$(keepalives)" -gt "$keepalives_before" ]
xdotool key Escape; sleep 0.3; xdotool key Escape; sleep 0.5
new_list_shown() { [ "$(player_lists)" -gt "$lists_before" ]; }
for try in $tries; do
  [ "$try" = 1 ] || note "pressing F5 again"
  wait_for 10 main_has_keys || activate '^Quorvel$'
  sleep 0.3
  xdotool key F5
  wait_for 8 new_list_shown && break
done
check "after the menu the session still answers F5" new_list_shown

sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot" 2>/dev/null
echo "screenshot: $shot"

# The settings come from the status reply, which the no-status server never sends.
[ "$variant" = no-status ] || info_stage
info_fold_stage

# Server > Quit ends the program with exit code 0.
xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
sleep 0.3
status=124
for try in $tries; do
  [ "$try" = 1 ] || { note "opening the menu again"; activate '^Quorvel$'; }
  main_has_keys || activate '^Quorvel$'
  xdotool key F10; sleep 0.3; xdotool key Return
  if wait_for 15 menu_open; then
    sleep 0.4
    xdotool key Up; sleep 0.3; xdotool key Return
  else
    note "the menu did not open"
  fi
  for _ in $(seq 1 40); do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      wait "$program_pid"
      status=$?
      break 2
    fi
    sleep 0.25
  done
  note "still running; $(window_dump | grep -E '^(focus|menu-open|foreground|window) ' | tr '\n' ';')"
  xdotool key Escape; sleep 0.3; xdotool key Escape; sleep 0.5
done
program_pid=""
check "Quit ends Quorvel with exit code 0 (got $status)" [ "$status" = 0 ]

finish e2e
