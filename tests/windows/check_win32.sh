#!/usr/bin/env bash
# Checks a 32-bit Windows build of the packager without running it: a PE32
# executable for the GUI subsystem that imports only the system's libraries.
# usage: check_win32.sh PROGRAM.exe
set -euo pipefail
program=$1
headers=$(i686-w64-mingw32-objdump -p "$program")
fail() { echo "FAIL: $program: $*" >&2; exit 1; }

grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "not a 32-bit (PE32) executable"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not a GUI (windowed) program"
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$imports" ] || fail "imports no library at all"
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | advapi32.dll) ;;
    *) fail "imports $dll, which is not a library of the system" ;;
  esac
done
echo "ok: $program is a 32-bit GUI executable importing only $(echo $imports)"
