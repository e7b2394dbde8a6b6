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
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVEL_BUILD_DIR:?QUORVEL_BUILD_DIR must name the Windows build folder}

if [ -z "${QUORVEL_E2E_DISPLAY:-}" ]; then
  export QUORVEL_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

server="$build/../native/tools/demo-server/demo-server"
[ -x "$server" ] || { echo "demo server not built: $server" >&2; exit 1; }

work="$build/e2e-steam"
mkdir -p "$work"
rm -f "$work"/*.log "$work"/*.out "$work"/*.png "$work/dump-failures" "$work/dump.err" "$work/quorvel.err"
# The end-to-end test's prefix (the two never run at once).
export WINEPREFIX="$build/e2e-prefix"
export WINEDEBUG=-all
wine_run() { "$root/scripts/wine-run" "$@"; }

server_pid=""
server2_pid=""
quorvel_pid=""
cleanup() {
  [ -n "$quorvel_pid" ] && kill "$quorvel_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  for pid in $server_pid $server2_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
# shellcheck source=drive.sh
source "$root/tests/e2e/drive.sh"
shot="$work/steam-players.png"
fatal() {
  echo "FAIL $1"
  import -window root "$work/steam-failure.png" 2>/dev/null
  echo "--- server logs"; tail -n 20 "$work"/server*.log 2>/dev/null
  echo "--- window"; wine_run "$dump" 2>/dev/null | tr -d '\r'
  echo "--- settings.ini"; cat "$settings" 2>/dev/null
  tail -n 5 "$work/quorvel.err" "$work/dump.err" 2>/dev/null
  exit 1
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine_run wineboot -i >/dev/null 2>&1
fi
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none /f >/dev/null 2>&1
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
info_value() { window_dump | sed -n "s/^info-row [0-9]* $1\t//p" | head -n 1; }
info_set() { [ -n "$(info_value "$1")" ]; }
info_matches() { info_value "$1" | grep -Eq -- "$2"; }
settings_has() { grep -q -- "$1" "$settings" 2>/dev/null; }

start_quorvel() {
  wine_run "$exe" >/dev/null 2>>"$work/quorvel.err" &
  quorvel_pid=$!
  wait_for 60 window_exists '^Quorvel$' || fatal "the main window did not appear"
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$(find_window '^Quorvel$')")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
  sleep 0.5
}

stop_quorvel() {
  kill "$quorvel_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$quorvel_pid" 2>/dev/null
  quorvel_pid=""
}

# Quick Connect to 127.0.0.1:PORT, with QUERY in "Query port" unless empty;
# Enter in the last field typed into; waits for the login in LOG.
quick_connect() {
  local port=$1 query=$2 log=$3 qc='^Quick Connect$' last=103
  open_quick_connect || fatal "Quick Connect did not open"
  type_into "$qc" 101 "127.0.0.1" || fatal "the host did not reach Quick Connect"
  tab_to "$qc" 101 102 || fatal "Tab did not reach the port"
  type_into "$qc" 102 "$port" || fatal "the port did not reach Quick Connect"
  tab_to "$qc" 102 103 || fatal "Tab did not reach the password"
  type_into "$qc" 103 "demo" password || fatal "the password did not reach Quick Connect"
  if [ -n "$query" ]; then
    tab_to "$qc" 103 104 || fatal "Tab did not reach the query port"
    type_into "$qc" 104 "$query" || fatal "the query port did not reach Quick Connect"
    last=104
  fi
  logged_in() { grep -q 'RECV 0 - demo' "$log" 2>/dev/null; }
  press_until "$qc" "$last" Return logged_in || fatal "no login reached the server"
}

# A demo server: prints "PID CONSOLE-PORT QUERY-PORT".
start_server() {  # out-file, options...
  local out=$1
  shift
  "$server" --password demo --chat-interval 0 --no-status "$@" >"$out" 2>&1 &
  local pid=$!
  wait_for 10 grep -q '^query port' "$out" || { kill "$pid" 2>/dev/null; return 1; }
  echo "$pid $(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out" | head -n 1)" \
    "$(sed -n 's/^query port 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out" | head -n 1)"
}

# ---- 1. Found by itself on the console port + 1 -----------------------------------
started=""
for _ in 1 2 3 4 5 6 7 8 9 10; do
  port=$((20000 + RANDOM % 30000))
  started=$(start_server "$work/server1.out" --port "$port" --query-port $((port + 1)) --players 6 \
    --log "$work/server1.log") && break
done
[ -n "$started" ] || fatal "the first demo server did not start"
read -r server_pid port query_port <<<"$started"
note "server 1: console $port, query $query_port"

start_quorvel
quick_connect "$port" "" "$work/server1.log"
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
kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
server_pid=""

# ---- 2. Typed by hand, kept after a restart -----------------------------------------
started=""
for _ in 1 2 3 4 5 6 7 8 9 10; do
  started=$(start_server "$work/server2.out" --port 0 --query-port 0 --players 4 --log "$work/server2.log") || continue
  read -r server2_pid port2 query2 <<<"$started"
  # A query port that a search could find would prove nothing.
  distance=$((query2 - port2))
  if [ "${distance#-}" -gt 3 ] && [ "$query2" != 2303 ] && [ "$query2" != 27016 ]; then break; fi
  kill "$server2_pid" 2>/dev/null && wait "$server2_pid" 2>/dev/null
  started=""
done
[ -n "$started" ] || fatal "the second demo server did not start"
note "server 2: console $port2, query $query2"

start_quorvel
quick_connect "$port2" "$query2" "$work/server2.log"
check "typed: every player has Score and Time" wait_for 10 rows_have_score_and_time 4
check "typed: the port is kept for the server" \
  bash -c "grep -q '^\[127.0.0.1:$port2\]' '$settings' && grep -q '^query_port=$query2' '$settings'"
stop_quorvel

asked_before=$(grep -c 'QUERY players' "$work/server2.log")
start_quorvel
quick_connect "$port2" "" "$work/server2.log"
asked_again() { [ "$(grep -c 'QUERY players' "$work/server2.log")" -gt "$asked_before" ]; }
check "after a restart: the kept port is asked" wait_for 10 asked_again
check "after a restart: every player has Score and Time" wait_for 10 rows_have_score_and_time 4
check "after a restart: the kept port is still in the file" settings_has "^query_port=$query2"
stop_quorvel

if [ -s "$work/dump-failures" ]; then
  note "the read-back tool failed $(wc -l <"$work/dump-failures") times"
fi
check "Quorvel did not crash" bash -c "! grep -q 'Unhandled' '$work/quorvel.err'"
if [ $failures -ne 0 ]; then
  echo "--- settings.ini"; cat "$settings"
  exit 1
fi
echo "steam e2e: all checks passed"
