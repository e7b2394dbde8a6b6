#!/usr/bin/env bash
# Runs the Windows build's tests under Wine. Expects a display (xvfb-run).
# Starts one wineserver for the whole run so each test binary does not pay
# for starting it again.
set -u
build=$1
jobs=${2:-2}
export QUORVEL_BUILD_DIR="$build"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i > /dev/null 2>&1 || true
  # Xvfb runs no window manager; unmanaged windows spare Wine a wait of
  # seconds on every window a test destroys.
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1 || true
fi
# No debugger for a program that crashes: its console window would take the
# keyboard from the test that has it. A crash still fails its test through
# the exit code, and Wine reports it on the error output. (Wine runs its own
# debugger when none is named, hence a name that runs nothing.)
/usr/lib/wine/wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none /f > /dev/null 2>&1 || true
wineserver -p 60 > /dev/null 2>&1 || true
# Start the system services now, outside any test: they would otherwise inherit
# the first test's output pipe and keep ctest waiting on it.
/usr/lib/wine/wine64 cmd /c exit < /dev/null > /dev/null 2>&1 || true
cd "$build" && ctest --output-on-failure -j "$jobs"
status=$?
wineserver -k > /dev/null 2>&1 || true
exit $status
