#!/usr/bin/env bash
# End to end: the Steam query. Quorvel under Wine against demo servers that
# never answer the status query, only the Steam query on a port of their own.
#  1. The query port is the console port + 1 and Quick Connect's "Query
#     port" is left empty: Quorvel finds the port by itself; the Players tab
#     shows every player with Score and Time, the Info tab the host name,
#     map, mission and players; the port is remembered in settings.ini.
#  2. A second server's query port is one no search would try, typed in
#     Quick Connect: it is asked at once and kept in settings.ini; after
#     Quorvel is closed and started again, a Quick Connect with the field
#     empty still uses it.
#   steam_e2e.sh <quorvel.exe> <e2e_list_dump.exe>
set -uo pipefail
exe=$1
dump=$2
# session.sh: the display, work folder and Wine prefix, the demo servers,
# Quorvel's start, log_in, fatal, finish and the clean-up; drive.sh's keys
# with it.
# shellcheck source=session.sh
source "$(dirname "$0")/session.sh"
own_display 1024x768 "$@"
use_work_folder "$build/e2e-steam"
# The end-to-end test's prefix (the two never run at once).
use_prefix "$build/e2e-prefix"
shot="$work/steam-players.png"
show_details() {
  echo "--- server logs"; tail -n 20 "$work"/server*.log 2>/dev/null
  echo "--- settings.ini"; cat "$settings" 2>/dev/null
}
appdata=$(wine_run winepath -u "$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')
settings="$appdata/Quorvel/settings.ini"
rm -f "$settings"

# ---- Reading the window back ---------------------------------------------------
# "row I name\tscore\tdeaths\tteam\tping\tip\tguid\ttime"
rows_now() { window_dump | grep '^row '; }
# Every one of `n` rows has a score and a time "h:mm:ss", and no team or deaths.
rows_have_score_and_time() {
  local n=$1 dumped
  dumped=$(rows_now)
  [ "$(grep -c . <<<"$dumped")" = "$n" ] || return 1
  awk -F'\t' '{ if ($2 == "" || $8 !~ /^[0-9]+:[0-5][0-9]:[0-5][0-9]$/ || $3 != "" || $4 != "") bad = 1 } END { exit bad }' <<<"$dumped"
}
settings_has() { grep -q -- "$1" "$settings" 2>/dev/null; }

stop_quorvel() {
  kill "$program_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$program_pid" 2>/dev/null
  program_pid=""
}

# A demo server that answers the Steam query alone; sets server_pid, port
# and query_port.
steam_server() {  # name, options...
  local name=$1
  shift
  try_demo_server "$name" --chat-interval 0 --no-status "$@" || return 1
  query_port=$(printed_port "$name" "query port")
}

# ---- 1. Found by itself on the console port + 1 -----------------------------------
started=""
for _ in 1 2 3 4 5 6 7 8 9 10; do
  console=$((20000 + RANDOM % 30000))
  steam_server server1 --port "$console" --query-port $((console + 1)) --players 6 && { started=1; break; }
done
[ -n "$started" ] || fatal "the first demo server did not start"
note "server 1: console $port, query $query_port"

start_quorvel
log_in "$port" logged_in_to server1
check "found: every player has Score and Time, no Team or Deaths" wait_for 20 rows_have_score_and_time 6
rows_now | sed 's/^/     /'
check "found: the port is remembered for the server" \
  bash -c "grep -q '^\[127.0.0.1:$port\]' '$settings' && grep -q '^found_query_port=$query_port' '$settings'"
check "found: no query port is set by hand" bash -c "! grep -q '^query_port=' '$settings'"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot" 2>/dev/null

tab=$(window_dump | sed -n 's/^info-tab \([0-9-]*\) \([0-9-]*\)$/\1 \2/p')
if [ -n "$tab" ]; then
  read -r tx ty <<<"$tab"
  xdotool mousemove "$tx" "$ty" click 1
  sleep 1
fi
check "Info: host name" wait_for 10 info_set "Host Name"
check "Info: island (map)" info_set "Island"
check "Info: mission name" info_set "Mission Name"
check "Info: players / max players" info_matches "Players" '^6 / [0-9]+$'
check "Info: difficulty from the game tags" info_set "Difficulty"
window_dump | grep '^info-row' | sed 's/^/     /'
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/steam-info.png" 2>/dev/null
stop_quorvel
stop_demo_server "$server_pid"

# ---- 2. Typed by hand, kept after a restart -----------------------------------------
started=""
for _ in 1 2 3 4 5 6 7 8 9 10; do
  steam_server server2 --port 0 --query-port 0 --players 4 || continue
  # A query port that a search could find would prove nothing.
  distance=$((query_port - port))
  if [ "${distance#-}" -gt 3 ] && [ "$query_port" != 2303 ] && [ "$query_port" != 27016 ]; then
    started=1
    break
  fi
  stop_demo_server "$server_pid"
done
[ -n "$started" ] || fatal "the second demo server did not start"
port2=$port
query2=$query_port
note "server 2: console $port2, query $query2"

start_quorvel
log_in --query "$query2" "$port2" logged_in_to server2
check "typed: every player has Score and Time" wait_for 10 rows_have_score_and_time 4
check "typed: the port is kept for the server" \
  bash -c "grep -q '^\[127.0.0.1:$port2\]' '$settings' && grep -q '^query_port=$query2' '$settings'"
stop_quorvel

asked_before=$(grep -c 'QUERY players' "$work/server2.log")
start_quorvel
log_in "$port2" logged_in_to server2
asked_again() { [ "$(grep -c 'QUERY players' "$work/server2.log")" -gt "$asked_before" ]; }
check "after a restart: the kept port is asked" wait_for 10 asked_again
check "after a restart: every player has Score and Time" wait_for 10 rows_have_score_and_time 4
check "after a restart: the kept port is still in the file" settings_has "^query_port=$query2"
stop_quorvel

finish "steam e2e"
