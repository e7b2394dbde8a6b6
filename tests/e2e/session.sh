# The set-up the end-to-end scripts share, sourced by each after it has named
# its arguments (exe: the program under test; dump: its read-back tool):
#   own_display      the script again on a virtual display of its own
#   use_work_folder  the folder for this run's logs and screenshots
#   use_prefix       a Wine prefix made ready for driving; wine_run runs in it
#   start_demo_server, try_demo_server, stop_demo_server, printed_port,
#   logged_in_to     the demo server and what it received
#   start_quorvel    Quorvel started and given the keyboard
#   log_in           Quick Connect, stopping the test when it fails
#   fatal, finish    a stop with what may tell why; the closing checks
# Everything started through these is stopped on the way out. drive.sh's
# checks and keys come with it. A script may define show_details, for what
# fatal and a failed finish should print besides.
#
# Sets: root (the source tree), build (the Windows build folder), server (the
# demo server), work, program_pid (the Windows program under test, stopped
# on the way out), server_pid and port (the last demo server started).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${QUORVEL_BUILD_DIR:?QUORVEL_BUILD_DIR must name the Windows build folder}
server="$build/../native/tools/demo-server/demo-server"
work=""
wine_run() { "$root/scripts/wine-run" "$@"; }
# shellcheck source=drive.sh
source "$root/tests/e2e/drive.sh"

program_pid=""
server_pids=()
own_prefix=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  # Only a prefix of the script's own: the default one may be running
  # another test's programs.
  [ -n "$own_prefix" ] && wineserver -k 2>/dev/null
  local pid
  for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  true
}
trap cleanup EXIT
# A trap that only cleaned up would let the script carry on after ctest's
# timeout signal; stop here instead (the EXIT trap cleans up).
trap 'exit 130' INT TERM

# Runs the script again under xvfb-run on a screen of this size, so that its
# keys never land in another test's window.
#   own_display WIDTHxHEIGHT "$@"
own_display() {
  local size=$1
  shift
  [ -z "${QUORVEL_E2E_DISPLAY:-}" ] || return 0
  export QUORVEL_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 ${size}x24" bash "$0" "$@"
}

# An earlier run's files would pass for this run's: emptied first.
use_work_folder() {  # folder
  work=$1
  mkdir -p "$work"
  rm -f "$work"/* 2>/dev/null
}

# Made once; Wine draws the frames itself, there being no window manager.
# Every Wine process in it is stopped on the way out.
use_prefix() {  # folder
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  own_prefix=1
  [ -f "$WINEPREFIX/system.reg" ] || wine_run wineboot -i >/dev/null 2>&1
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A program that crashes here (Wine's own helpers have been seen to) gets no
  # debugger: the debugger's console window would take the keyboard from
  # Quorvel's. Wine still reports the crash on the program's error output, and
  # Wine runs its own debugger when none is named, hence a name that runs
  # nothing.
  wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none /f >/dev/null 2>&1
}

# A demo server with the password "demo" and these options (a free port
# unless --port names one); what it prints goes to $work/NAME.out, its log of
# what it received to $work/NAME.log. Waits until it listens; sets server_pid
# and port (its console port). try_demo_server returns 1 when it did not
# start, start_demo_server stops the test.
#   try_demo_server NAME OPTIONS...
try_demo_server() {
  local name=$1
  shift
  [ -x "$server" ] || { echo "demo server not built: $server" >&2; exit 1; }
  # A restart under the same name must not read the last one's port.
  rm -f "$work/$name.out"
  "$server" --password demo --log "$work/$name.log" "$@" >"$work/$name.out" 2>&1 &
  server_pid=$!
  server_pids+=("$server_pid")
  if ! wait_for 10 grep -q '^listening on' "$work/$name.out"; then
    stop_demo_server "$server_pid"
    return 1
  fi
  port=$(printed_port "$name" "listening on")
}
start_demo_server() { try_demo_server "$@" || fatal "the demo server ($1) did not start"; }
stop_demo_server() {  # pid
  local pid left=()
  kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
  for pid in "${server_pids[@]}"; do [ "$pid" = "$1" ] || left+=("$pid"); done
  server_pids=("${left[@]}")
}
# The port the server NAME printed after "listening on" or "query port".
printed_port() {  # name, what
  sed -n "s/^$2 127\.0\.0\.1:\([0-9]*\).*/\1/p" "$work/$1.out" | head -n 1
}
logged_in_to() { grep -q 'RECV 0 - demo' "$work/$1.log" 2>/dev/null; }  # name

# Quorvel, its error output in $work/quorvel.err, given a minute to show its
# main window; a click on the caption then gives it the keyboard. Leaves the
# window's place and size in X, Y, WIDTH and HEIGHT.
start_quorvel() {
  wine_run "$exe" >/dev/null 2>>"$work/quorvel.err" &
  program_pid=$!
  wait_for 60 window_exists '^Quorvel$' || fatal "the main window did not appear"
  note "the main window is up"
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$(find_window '^Quorvel$')")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
  sleep 0.5
}

#   log_in [--query QUERY-PORT] PORT COMMAND...  (see quick_connect)
log_in() { quick_connect "$@" || fatal "$lost"; }

# A step the rest of the test depends on has failed: stop, with what may tell
# why (a screenshot in $work/failure.png, the window read back, where the
# display's keyboard is, the programs' last error output, and what the script
# adds in its own show_details).
fatal() {
  echo "FAIL $1"
  import -window root "$work/failure.png" 2>/dev/null
  echo "--- window"; wine_run "$dump" 2>/dev/null | tr -d '\r'
  echo "--- display focus: $(xdotool getwindowfocus getwindowname 2>&1)"
  echo "--- error output"; tail -n 5 "$work"/*.err 2>/dev/null
  declare -F show_details >/dev/null && show_details
  exit 1
}

# The checks every Quorvel test ends with, and its verdict.
finish() {  # the test's name
  if [ -s "$work/dump-failures" ]; then
    note "the read-back tool failed $(wc -l <"$work/dump-failures") times, exit codes: $(sort -u "$work/dump-failures" | tr '\n' ' ')"
  fi
  # Quorvel must never crash; Wine reports a crash on its error output.
  check "Quorvel did not crash" bash -c "! grep -q 'Unhandled' '$work/quorvel.err'"
  if [ "$failures" -ne 0 ]; then
    declare -F show_details >/dev/null && show_details
    exit 1
  fi
  echo "$1: all checks passed"
}
