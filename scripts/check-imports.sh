#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL that Windows itself does not
# ship: Quorvel is one self-contained exe.
#   check-imports.sh <objdump> <exe>
set -euo pipefail
objdump=$1
exe=$2
system='^(advapi32|comctl32|comdlg32|gdi32|imm32|kernel32|msimg32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|uxtheme|version|winmm|ws2_32)\.dll$'
imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "$(basename "$exe") imports:" $imports
foreign=$(echo "$imports" | grep -v -E "$system" || true)
if [ -n "$foreign" ]; then
  echo "not shipped with Windows:" $foreign
  exit 1
fi
