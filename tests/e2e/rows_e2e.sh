#!/usr/bin/env bash
# End to end: the players and bans views as an admin on a busy server sees
# them, Quorvel under Wine against two demo servers.
#  - Server A (50 players, players joining and leaving every few seconds):
#    every row's seven cells are what the server's "players" reply and its
#    status reply (in the GameSpy 2 layout) say of that player.
#  - A player selected and the list scrolled: through 20 refreshes and at
#    least 10 joins and leaves elsewhere in the list, the same player stays
#    selected and the same player stays the top row.
#  - A player and a ban selected on A, then a login to server B: nothing of
#    A is shown, selected or left to act on.
# Everything is read back from the running program (e2e_list_dump).
#   rows_e2e.sh <quorvel.exe> <e2e_list_dump.exe>
set -uo pipefail
exe=$1
dump=$2
# session.sh: the display, work folder and Wine prefix, the demo servers,
# Quorvel's start, log_in, fatal, finish and the clean-up; drive.sh's keys
# with it.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1024x768 "$@"
use_work_folder "$build/e2e-rows"
use_prefix "$build/e2e-prefix"

# A: players 10 to 40 never leave; the others come and go, above the top
# row and below the selected one. B: another server with three players.
start_demo_server a --players 50 --bans 4 --chat-interval 4000 --steady-players 10-40 --seed 3 \
  --players-file "$work/a.players"
server_a=$server_pid
port_a=$port
start_demo_server b --players 3 --bans 0 --chat-interval 0 --seed 9 --setting "hostname=Server B" \
  --players-file "$work/b.players"
port_b=$port

start_quorvel

# The rows the window shows, and the players the server says it has, both as
# "name<TAB>score<TAB>deaths<TAB>team<TAB>ping<TAB>IP<TAB>GUID", sorted (the
# window's Time column, from the Steam query these servers do not answer,
# left out).
shown_rows() { window_dump | sed -n 's/^row [0-9]* //p' | cut -f1-7 | sort; }
server_rows() { sort "$work/$1.players" 2>/dev/null; }
rows_match() { [ -s "$work/$1.players" ] && [ "$(shown_rows)" = "$(server_rows "$1")" ]; }

log_in "$port_a" logged_in_to a
wait_for 15 has_players || fatal "no players appeared"
# Joins and leaves happen between refreshes; a refresh at a quiet moment
# shows the server's players exactly.
# Both checks read one snapshot: a player joining between two reads shows
# with his cells empty until the next list, which is right, not a fault.
matched=""
for try in $tries; do
  snapshot=$(shown_rows)
  [ -s "$work/a.players" ] && [ "$snapshot" = "$(server_rows a)" ] && { matched=1; break; }
  press_f5
  wait_for 4 rows_match a
done
if [ -z "$matched" ]; then
  snapshot=$(shown_rows)
  [ -s "$work/a.players" ] && [ "$snapshot" = "$(server_rows a)" ] && matched=1
fi
[ -n "$matched" ] || diff <(server_rows a) <(printf '%s\n' "$snapshot") | head -n 8 | while IFS= read -r line; do note "$line"; done
check "A: every row's seven cells are the server's (real status layout)" [ -n "$matched" ]
check "A: score, deaths and team are filled for every player" \
  bash -c "! grep -qP '^[^\t]*\t\t' <<<\"\$1\"" _ "$snapshot"

# The 36th row selected with the keyboard, which scrolls the list under it.
first=$(dump_value first-row)
[ -n "$first" ] || fatal "no first row to click"
read -r fx fy <<<"$first"
xdotool mousemove "$fx" "$fy" click 1
sleep 0.5
for _ in $(seq 1 35); do xdotool key Down; sleep 0.05; done
sleep 0.5
# One snapshot: a join or leave between two reads would pair an index with
# another player's name.
before_dump=$(window_dump)
printf '%s\n' "$before_dump" >"$work/selected.dump"
selected=$(sed -n 's/^players-selected //p' <<<"$before_dump" | head -n 1)
top=$(sed -n 's/^players-top //p' <<<"$before_dump" | head -n 1)
[ "${selected:--1}" -ge 0 ] || fatal "no row selected"
selected_name=$(sed -n "s/^row $selected \([^	]*\).*/\1/p" <<<"$before_dump")
top_name=$(sed -n "s/^row $top \([^	]*\).*/\1/p" <<<"$before_dump")
note "selected row $selected ($selected_name), top row $top ($top_name)"
check "A: the list is scrolled" [ "$top" -gt 0 ]

left() { window_dump | grep -Ec '^log Player #[0-9]* .* (disconnected|has been kicked by BattlEye)'; }
leaves_before=$(left)
kept=0
# Each refresh is seen in the server's log (cheap), then the window is read
# once. The keyboard is checked for once: the window keeps it meanwhile.
requests() { grep -c ' players$' "$work/a.log" 2>/dev/null; }
main_has_keys || activate '^Quorvel$'
for i in $(seq 1 20); do
  # Besides the server's own comings and goings, ten players join during the
  # fifth refresh and leave again during the twelfth, wherever the sort puts
  # them.
  [ "$i" = 5 ] && kill -USR1 "$server_a"
  [ "$i" = 12 ] && kill -USR2 "$server_a"
  before=$(requests)
  xdotool key F5
  wait_for 5 bash -c "[ \"\$(grep -c ' players\$' '$work/a.log')\" -gt $before ]" || note "refresh $i: no request seen"
  sleep 0.5
  now=$(window_dump)
  sel=$(sed -n 's/^players-selected //p' <<<"$now")
  tp=$(sed -n 's/^players-top //p' <<<"$now")
  sel_name=$(sed -n "s/^row $sel \([^	]*\).*/\1/p" <<<"$now")
  tp_name=$(sed -n "s/^row $tp \([^	]*\).*/\1/p" <<<"$now")
  if [ "$sel_name" = "$selected_name" ] && [ "$tp_name" = "$top_name" ]; then
    kept=$((kept + 1))
  else
    note "refresh $i: selected $sel ($sel_name), top $tp ($tp_name)"
    printf '%s\n' "$now" >"$work/refresh-$i.dump"
  fi
done
leaves=$(( $(left) - leaves_before ))
note "$leaves players left (and as many joined) during the refreshes"
check "A: at least 10 joins and leaves happened during the 20 refreshes" [ "$leaves" -ge 10 ]
check "A: after each of 20 refreshes the same player is selected and the same one on top" [ "$kept" = 20 ]

# The bans of A, one selected.
tab=$(dump_value bans-tab)
read -r bx by <<<"$tab"
xdotool mousemove "$bx" "$by" click 1
bans_listed() { [ "$(dump_value bans)" = 4 ]; }
wait_for 10 bans_listed || fatal "A's bans were not listed"
ban=$(dump_value bans-first-row)
read -r rx ry <<<"$ban"
xdotool mousemove "$rx" "$ry" click 1
ban_selected() { [ "$(dump_value bans-selected)" = 0 ]; }
check "A: a ban is selected" wait_for 5 ban_selected
tab=$(dump_value players-tab)
read -r px py <<<"$tab"
xdotool mousemove "$px" "$py" click 1
sleep 0.5
check "A: the player is still selected" [ "$(dump_value players-selected)" -ge 0 ]

# Server B: nothing of A.
log_in "$port_b" logged_in_to b
server_b_shown() { [ "$(player_rows)" = 3 ] && rows_match b; }
for try in $tries; do
  wait_for 5 server_b_shown && break
  press_f5
done
now=$(window_dump)
check "B: only B's players, with B's cells" server_b_shown
check "B: no player row selected" [ "$(sed -n 's/^players-selected //p' <<<"$now")" = -1 ]
check "B: no ban of A listed" [ "$(sed -n 's/^bans //p' <<<"$now")" = 0 ]
check "B: no ban selected" [ "$(sed -n 's/^bans-selected //p' <<<"$now")" = -1 ]
check "B: no kick or ban reached either server" bash -c "! grep -Eq ' (kick|ban|removeBan) ' '$work/a.log' '$work/b.log'"

import -window root "$work/rows-e2e.png" 2>/dev/null
finish "rows e2e"
