#!/usr/bin/env bash
# End to end: the player history, as an admin uses it after a report comes in
# about a player who has already gone. Quorvel under Wine against the demo
# server: two players join and leave again; the History tab finds one of
# them by a lowercase part of his name; Ban... from its pop-up menu sends
# "addBan <his GUID> 0 <reason>", and the ban shows in the Bans tab and as
# "banned by Quorvel" in the History tab. Everything is read back from the
# running program (e2e_list_dump) and the server's log of what it received.
#   history_e2e.sh <quorvel.exe> <e2e_list_dump.exe>
set -uo pipefail
exe=$1
dump=$2
# session.sh: the display, work folder and Wine prefix, the demo server,
# Quorvel's start, log_in, fatal, finish and the clean-up; drive.sh's keys
# with it.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1024x768 "$@"
use_work_folder "$build/e2e-history"
use_prefix "$build/e2e-prefix"
# A history of earlier runs would already know him (and his ban).
find "$WINEPREFIX/drive_c/users" -path '*/Quorvel/history.db*' -delete 2>/dev/null

# Three players stay; --burst 2 brings "Ghost #7 (Rider)" and "Anna K" in on
# SIGUSR1 and takes them out again on SIGUSR2.
start_demo_server server --players 3 --bans 0 --chat-interval 0 --burst 2 --seed 5 \
  --players-file "$work/players"
start_quorvel

server_received() { grep -q "$1" "$work/server.log" 2>/dev/null; }
click_at() { local x y; read -r x y <<<"$1"; xdotool mousemove "$x" "$y" click "${2:-1}"; }
shown_players() { [ "$(player_rows)" = "$1" ]; }
refresh_until_shown() {  # player count
  for try in $tries; do
    press_f5
    wait_for 4 shown_players "$1" && return 0
  done
  return 1
}

log_in "$port" logged_in_to server
wait_for 15 has_players || fatal "no players appeared"
check "the history is on (no notice in the log)" bash -c "! grep -q '^log The player history' <<<\"\$1\"" _ "$(window_dump)"

# Two join, are listed, and leave.
kill -USR1 "$server_pid"
refresh_until_shown 5 || fatal "the two players who joined were not listed"
rider=$(grep -F 'Ghost #7 (Rider)' "$work/players")
guid=$(awk -F'\t' '{ print $7 }' <<<"$rider" | sed 's/(OK)$//')
[ -n "$guid" ] || fatal "the server's players file does not name Ghost #7 (Rider)"
note "Ghost #7 (Rider) joined with GUID $guid"
kill -USR2 "$server_pid"
refresh_until_shown 3 || fatal "the two players who left are still listed"
check "he has left the server" bash -c "! grep -qF '$guid' '$work/players'"

# The History tab, searched for a lowercase part of his name as it is typed.
click_at "$(dump_value history-tab)"
wait_for 5 bash -c "[ -n \"\$(\"$root/scripts/wine-run\" \"$dump\" 2>/dev/null | tr -d '\r' | sed -n 's/^history-search //p')\" ]" ||
  fatal "the History tab did not show its search box"
click_at "$(dump_value history-search)"
type_into '^Quorvel$' 120 "rider" || fatal "the search text did not reach the search box"
his_row() { window_dump | grep -F "history-row 0 Ghost #7 (Rider)" | grep -F "$guid"; }
only_him() { [ "$(dump_value history)" = 1 ] && his_row >/dev/null; }
check "History: \"rider\" finds him alone, with his GUID" wait_for 10 only_him
row=$(his_row)
note "${row#history-row 0 }"
check "History: his last address is the one he played from" \
  bash -c "[ \"\$(cut -f4 <<<\"\$1\")\" = \"\$(awk -F'\t' '{ print \$6 }' <<<\"\$2\")\" ]" _ "$row" "$rider"
check "History: seen once, not banned yet" bash -c "[ \"\$(cut -f7 <<<\"\$1\")\" = 1 ] && [ -z \"\$(cut -f9 <<<\"\$1\")\" ]" _ "$row"

# Ban... from his pop-up menu, permanently, with a reason.
first=$(dump_value history-first-row)
[ -n "$first" ] || fatal "no history row to click"
click_at "$first"
sleep 0.3
popup_first_item "$first" '^Ban Player' || fatal "the Ban dialog did not open"   # "Ban..."
check "the Ban dialog names him" window_exists '^Ban Player - Ghost #7 \(Rider\)$'
type_into '^Ban Player' 401 "history e2e" || fatal "the reason did not reach the Ban dialog"
tab_to '^Ban Player' 401 402 || fatal "Tab did not reach \"Ban permanently.\""
tab_to '^Ban Player' 402 405 || fatal "Tab did not reach \"Ban player\""
check "the server got \"addBan <his GUID> 0 history e2e\"" \
  press_until '^Ban Player' 405 Return server_received "RECV 1 [0-9]* addBan $guid 0 history e2e\$"

# The ban list is read again once the server has answered.
click_at "$(dump_value bans-tab)"
ban_listed() { window_dump | grep -q "^ban-row [0-9]* $guid	.*	history e2e\$"; }
check "Bans: his ban is listed" wait_for 10 ban_listed
check "only one ban went out" [ "$(grep -c ' addBan ' "$work/server.log")" = 1 ]
click_at "$(dump_value history-tab)"
banned_shown() { his_row | grep -q '	Yes$'; }
check "History: he shows as banned by Quorvel" wait_for 10 banned_shown

import -window root "$work/history-e2e.png" 2>/dev/null
check "the window read back without a failure" [ ! -s "$work/dump-failures" ]
finish "history e2e"
