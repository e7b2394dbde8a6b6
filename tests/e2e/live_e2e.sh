#!/usr/bin/env bash
# End to end: the Players tab following the server by itself, messages to
# players and the kept log, Quorvel under Wine against the demo server.
#  - 10 players join and then leave (the demo server's bursts) while a row is
#    selected and the list scrolled: the rows come and go without F5, the
#    same player stays selected and on top, and each burst costs one
#    "players" request (read from the server's log of what it received).
#  - A message to everyone and one to the selected player ("Message…" from
#    his pop-up menu) reach the server as "say -1 …" and "say <n> …".
#  - The day's log file holds the lines the log shows; every line shown
#    begins with its time; the filter buttons show the right lines.
# Leaves a screenshot of the pop-up menu over the Players tab in the work
# folder (players-menu.png), the one the README shows.
#   live_e2e.sh <quorvel.exe> <e2e_list_dump.exe>
set -uo pipefail
exe=$1
dump=$2
# session.sh: the display, work folder and Wine prefix, the demo server,
# Quorvel's start, log_in, fatal, finish and the clean-up; drive.sh's keys
# with it.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1024x768 "$@"
use_work_folder "$build/e2e-live"
use_prefix "$build/e2e-prefix"

# 40 players and nothing said by the server itself, so that every join,
# leave and request is the test's own.
start_demo_server server --players 40 --bans 0 --chat-interval 0 --burst 10 --seed 5
# A fresh log folder for this server, so the file holds this session alone.
find "$WINEPREFIX/drive_c/users" -path "*/Quorvel/logs/127.0.0.1_$port" -type d -exec rm -rf {} + 2>/dev/null

start_quorvel
log_in "$port" logged_in_to server

rows_are() { [ "$(player_rows)" = "$1" ]; }
wait_for 15 rows_are 40 || fatal "the 40 players did not appear"
check "the tab's title counts the players" [ "$(dump_value players-title)" = "Players (40)" ]

# The 26th row selected with the keyboard, which scrolls the list under it.
first=$(dump_value first-row)
read -r fx fy <<<"$first"
xdotool mousemove "$fx" "$fy" click 1
sleep 0.5
for _ in $(seq 1 25); do xdotool key Down; sleep 0.05; done
sleep 0.5
selected=$(dump_value players-selected)
top=$(dump_value players-top)
[ "${selected:--1}" -ge 0 ] || fatal "no row selected"
selected_name=$(row_name "$selected")
top_name=$(row_name "$top")
note "selected row $selected ($selected_name), top row $top ($top_name)"
check "the list is scrolled" [ "$top" -gt 0 ]

requests() { grep -c 'RECV 1 [0-9]* players$' "$work/server.log"; }
place_kept() {
  local now sel tp
  now=$(window_dump)
  sel=$(sed -n 's/^players-selected //p' <<<"$now")
  tp=$(sed -n 's/^players-top //p' <<<"$now")
  [ "$(sed -n "s/^row $sel \([^	]*\).*/\1/p" <<<"$now")" = "$selected_name" ] &&
    [ "$(sed -n "s/^row $tp \([^	]*\).*/\1/p" <<<"$now")" = "$top_name" ]
}
# Quiet for longer than the refresh's least interval, so each burst starts
# with nothing owed.
sleep 6
for burst in joins leaves; do
  before=$(requests)
  if [ "$burst" = joins ]; then
    kill -USR1 "$server_pid"
    check "10 joins: 50 rows without F5" wait_for 10 rows_are 50
  else
    kill -USR2 "$server_pid"
    check "10 leaves: 40 rows without F5" wait_for 10 rows_are 40
  fi
  one_more() { [ "$(requests)" -gt "$before" ]; }
  check "$burst: the list was asked for by itself" wait_for 10 one_more
  # The GUID lines a second after the joins are no joins: nothing more.
  sleep 6
  check "$burst: one \"players\" request for the burst" [ "$(requests)" = $((before + 1)) ]
  check "$burst: the same player selected and the same one on top" place_kept
done
check "the tab's title follows" [ "$(dump_value players-title)" = "Players (40)" ]

# A message to everyone from the box under the log.
box=$(dump_value message-box)
read -r mx my <<<"$box"
xdotool mousemove "$mx" "$my" click 1
sleep 0.3
type_into '^Quorvel$' 406 "hello everyone" || fatal "the text did not reach the message box"
said_to_all() { grep -q 'RECV 1 [0-9]* say -1 hello everyone$' "$work/server.log"; }
check "a message to everyone reaches the server as \"say -1 ...\"" press_until '^Quorvel$' 406 Return said_to_all
check "and its echo is in the log" wait_for 5 bash -c "grep -q '^log RCon admin #0: (Global) hello everyone$' <<<\"\$1\"" _ "$(window_dump)"

# "Message…" from the selected player's menu (the menu key on the list).
xdotool mousemove "$fx" "$fy"
players_focused() { window_dump | grep -q '^focus 101 '; }
# Back to the list without changing its selection: Shift+Tab from the
# message box, past the target choice, the log and "REFRESH".
for _ in 1 2 3 4 5 6 7 8; do
  players_focused && break
  xdotool key shift+Tab; sleep 0.3
done
players_focused || fatal "Shift+Tab did not reach the players list"
menu_shown=""
for try in $tries; do
  xdotool key shift+F10
  if wait_for 5 menu_open; then menu_shown=1; break; fi
done
[ -n "$menu_shown" ] || fatal "the player's menu did not open"
sleep 0.5
import -window root "$work/players-menu.png" 2>/dev/null
xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Return
aimed() {
  local target
  target=$(dump_value target-text)
  [[ "$target" == "$selected_name (#"*")" ]] && focus_in 406
}
check "\"Message...\" aims the box at the player" wait_for 5 aimed
number=$(dump_value target-text | sed -n 's/.*(#\([0-9]*\))$/\1/p')
note "target: $(dump_value target-text)"
type_into '^Quorvel$' 406 "hello you" || fatal "the text did not reach the message box"
said_to_one() { grep -Eq "RECV 1 [0-9]* say ${number:-none} hello you\$" "$work/server.log"; }
check "a message to the selected player reaches the server as \"say $number ...\"" \
  press_until '^Quorvel$' 406 Return said_to_one
to_him() { window_dump | grep -Fxq "log RCon admin #0: (To $selected_name) hello you"; }
check "and the server's echo names the selected player" wait_for 5 to_him

# A chat line from the server (SIGHUP), for the filters.
kill -HUP "$server_pid"
chat_shown() { window_dump | grep -q '^log (Global) Admin: Is everyone there?$'; }
check "a chat line is shown" wait_for 5 chat_shown

now=$(window_dump)
check "every log line begins with its time" [ "$(sed -n 's/^log-untimed //p' <<<"$now")" = 0 ]
all_lines=$(sed -n 's/^log //p' <<<"$now")
# The day's file: the newest, should the test have run past midnight.
file=$(ls -t "$(find "$WINEPREFIX/drive_c/users" -path "*/Quorvel/logs/127.0.0.1_$port" -type d | head -n 1)"/*.log 2>/dev/null | head -n 1)
named=$(basename "$file")
check "the file is named by the date ($named)" \
  bash -c "[ '$named' = \"\$(date +%F).log\" ] || [ '$named' = \"\$(date -d yesterday +%F).log\" ]"
note "log file: $file"
check "the day's log file exists" [ -s "$file" ]
missing=0
while IFS= read -r line; do
  grep -Fq -- " $line" "$file" || { missing=$((missing + 1)); note "not in the file: $line"; }
done <<<"$all_lines"
check "the day's log file holds every line of the session ($(wc -l <<<"$all_lines") lines)" [ "$missing" = 0 ]
check "the file's lines carry the date and time" \
  bash -c "! grep -Evq '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ' '$file'"

# The filters: click a button, read what the log shows.
shown_under() {  # filter name
  local at
  at=$(dump_value "filter-$1")
  read -r bx by _ <<<"$at"
  xdotool mousemove "$bx" "$by" click 1
  sleep 0.5
  window_dump | sed -n 's/^log //p'
}
chat=$(shown_under chat)
check "Chat: the chat line, and nothing that is not chat" \
  bash -c "grep -qx '(Global) Admin: Is everyone there?' <<<\"\$1\" && ! grep -Evq '^\((Global|Side|Command|Group|Vehicle|Direct|Unknown)\) ' <<<\"\$1\"" _ "$chat"
players=$(shown_under players)
check "Players: the 10 joins and 10 leaves, and nothing else" \
  bash -c "[ \$(grep -c ' connected\$' <<<\"\$1\") -ge 10 ] && [ \$(grep -c ' disconnected\$' <<<\"\$1\") -ge 10 ] && ! grep -Evq '^(Player #|Verified GUID)' <<<\"\$1\"" _ "$players"
admin=$(shown_under admin)
check "Admin: the admin's messages, no player's lines" \
  bash -c "grep -qx 'RCon admin #0: (Global) hello everyone' <<<\"\$1\" && ! grep -q '^Player #' <<<\"\$1\"" _ "$admin"
all=$(shown_under all)
check "All: every line again" [ "$all" = "$all_lines" ]

finish "live e2e"
