#!/usr/bin/env bash
# Prints Quorvel's start-up time (launch to main window on screen), its idle
# CPU while connected to the demo server and its wake-ups per second meanwhile,
# each beside the same figure of minimal_window.exe (a bare window polling
# every 5 ms) run the same way under the same Wine, and the ratios. Fails
# when Quorvel did not log in or a figure could not be measured.
# Goals: idle CPU at most 0.2 times the minimal window's, at most 2 wake-ups
# per second while the server says nothing.
#   startup.sh <windows build folder> [runs (default 5)] [idle seconds (default 10)]
# CPU counts the program's process and its wineserver (a prefix of its own),
# since under Wine much of a message loop's work happens in the server.
set -uo pipefail
build=$(cd "${1:?windows build folder}" && pwd)
runs=${2:-5}
idle=${3:-10}
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ -z "${QUORVEL_BENCH_DISPLAY:-}" ]; then
  export QUORVEL_BENCH_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build" "$runs" "$idle"
fi

quorvel="$build/app/quorvel.exe"
minimal="$build/bench/startup/minimal_window.exe"
server="$build/../native/tools/demo-server/demo-server"
for f in "$quorvel" "$minimal" "$server"; do [ -e "$f" ] || { echo "missing $f" >&2; exit 1; }; done

export QUORVEL_BUILD_DIR="$build"
export WINEPREFIX="$build/bench-prefix"
export WINEDEBUG=-all
wine_run() { "$root/scripts/wine-run" "$@"; }
ticks=$(getconf CLK_TCK)

server_pid=""
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  true
}
trap cleanup EXIT INT TERM

[ -f "$WINEPREFIX/system.reg" ] || wine_run wineboot -i >/dev/null 2>&1
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Keep the wineserver running between launches, as a session would.
wineserver -p 600 2>/dev/null

now_ms() { date +%s%3N; }
cpu_ticks() {  # pid: user + system clock ticks so far, 0 when gone
  local t
  t=$( { [ -n "$1" ] && awk '{print $14 + $15}' "/proc/$1/stat"; } 2>/dev/null)
  [[ "$t" =~ ^[0-9]+$ ]] && echo "$t" || echo 0
}
wineserver_pid() {
  # A wineserver works in a folder named after its prefix's device and inode.
  local name="server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")"
  for p in $(pgrep -x 'wineserver(64)?'); do
    case "$(readlink "/proc/$p/cwd")" in */"$name") echo "$p"; return ;; esac
  done
}

# Launch-to-window in milliseconds, in $elapsed; the program keeps running
# as $launched (wine-run execs into the Windows process, so the pid is its).
launched=""
elapsed=0
launch() {  # exe title
  local start
  start=$(now_ms)
  "$root/scripts/wine-run" "$1" >/dev/null 2>&1 &
  launched=$!
  # Bounded: a program that never shows its window ends the run instead of
  # hanging it.
  while ! xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do
    if [ $(($(now_ms) - start)) -gt 60000 ]; then
      echo "$1 showed no window \"$2\" within 60 s" >&2
      exit 1
    fi
    sleep 0.01
  done
  elapsed=$(($(now_ms) - start))
}
stop() {  # title: ends the program and waits until its window is gone
  kill "$launched" 2>/dev/null
  wait "$launched" 2>/dev/null
  local tries=0
  while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && [ $tries -lt 600 ]; do
    sleep 0.05
    tries=$((tries + 1))
  done
  launched=""
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

startup_figure() {  # exe title
  local i list=""
  launch "$1" "$2"; stop "$2"  # warm the file cache once
  for i in $(seq 1 "$runs"); do
    launch "$1" "$2"
    list+="$elapsed"$'\n'
    stop "$2"
  done
  printf '%s' "$list" | median
}

# Times the threads of a process went to sleep and were woken since it
# started (voluntary context switches of all its threads): its wake-ups.
wakeups() {  # pid
  local total=0 f v
  for f in /proc/"$1"/task/*/status; do
    v=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$f" 2>/dev/null)
    [[ "$v" =~ ^[0-9]+$ ]] && total=$((total + v))
  done
  echo "$total"
}

# Prints "<CPU ms per s> <wake-ups per s>" over `idle` seconds of wall time;
# nothing when the program or its wineserver could not be measured.
idle_figure() {  # pid
  local server_proc p0 s0 w0 p1 s1 w1
  server_proc=$(wineserver_pid)
  if [ -z "$server_proc" ]; then
    echo "no wineserver found for $WINEPREFIX" >&2
    return
  fi
  p0=$(cpu_ticks "$1"); s0=$(cpu_ticks "$server_proc"); w0=$(wakeups "$1")
  sleep "$idle"
  p1=$(cpu_ticks "$1"); s1=$(cpu_ticks "$server_proc"); w1=$(wakeups "$1")
  if ! kill -0 "$1" 2>/dev/null || [ "$p1" = 0 ]; then
    echo "the program ended during the measurement" >&2
    return
  fi
  echo "    (process $(( (p1 - p0) * 1000 / ticks )) ms, wineserver $(( (s1 - s0) * 1000 / ticks )) ms," \
    "$((w1 - w0)) wake-ups)" >&2
  echo "$(echo "scale=2; (($p1 - $p0) + ($s1 - $s0)) * 1000 / $ticks / $idle" | bc)" \
    "$(echo "scale=2; ($w1 - $w0) / $idle" | bc)"
}

echo "start-up (launch to window shown, median of $runs):"
q_start=$(startup_figure "$quorvel" Quorvel)
m_start=$(startup_figure "$minimal" Minimal)
echo "  quorvel.exe        ${q_start} ms"
echo "  minimal_window.exe ${m_start} ms"
echo "  ratio              $(echo "scale=2; $q_start / $m_start" | bc)"

rm -f "$build/bench-server.log"
"$server" --port 0 --password demo --chat-interval 0 --log "$build/bench-server.log" >"$build/bench-server.out" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 1 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$build/bench-server.out" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the demo server did not start" >&2; exit 1; }

launch "$minimal" Minimal
sleep 2
read -r m_idle m_wake <<<"$(idle_figure "$launched")"
stop Minimal
[ -n "${m_wake:-}" ] || { echo "the minimal window's idle figures were not measured" >&2; exit 1; }

# The login is driven as the end-to-end test drives it (its helpers), each
# key read back from the window and sent again when the display lost it. When
# Quorvel still did not log in there is no figure: idle CPU "while connected"
# would then be a lie.
dump="$build/tests/e2e/e2e_list_dump.exe"
[ -e "$dump" ] || { echo "missing $dump" >&2; exit 1; }
work="$build/bench-startup"
mkdir -p "$work"
# shellcheck source=../../tests/e2e/drive.sh
source "$root/tests/e2e/drive.sh"
logged_in() { window_dump | grep -Fxq "log Connected to 127.0.0.1:$port"; }
log_in() {
  eval "$(xdotool getwindowgeometry --shell "$(find_window '^Quorvel$')")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
  sleep 0.5
  quick_connect "$port" logged_in || { echo "$lost" >&2; return 1; }
}

launch "$quorvel" Quorvel
sleep 1
if ! log_in || ! logged_in; then
  echo "Quorvel did not log in to the demo server: no idle figure while connected" >&2
  exit 1
fi
read -r q_idle q_wake <<<"$(idle_figure "$launched")"
stop Quorvel
[ -n "${q_wake:-}" ] || { echo "Quorvel's idle figures were not measured" >&2; exit 1; }

echo "idle CPU while connected (process + wineserver, ms of CPU per s, over ${idle} s):"
echo "  quorvel.exe        ${q_idle}"
echo "  minimal_window.exe ${m_idle}"
if [ "$(echo "$m_idle > 0" | bc)" = 1 ]; then
  ratio=$(echo "scale=2; $q_idle / $m_idle" | bc)
  echo "  ratio              ${ratio} (goal: at most 0.2)"
else
  echo "  ratio              (the minimal program used no measurable CPU)"
fi
echo "wake-ups per second while connected and idle (all threads of the process):"
echo "  quorvel.exe        ${q_wake} (goal: at most 2)"
echo "  minimal_window.exe ${m_wake}"
