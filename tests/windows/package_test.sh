#!/usr/bin/env bash
# The Linux scenario-tool makes Windows packagers of a scenario folder that no
# build's packager carries, tests/scenarios/Prova_Collina_4711: the 32-bit one is checked
# as a build's packager is, the 64-bit one runs under Wine and writes the
# files of the Linux packager of the same folder; a damaged one writes
# nothing and says why in a box.
# usage: package_test.sh NATIVE_BIN WINDOWS_BIN
#   NATIVE_BIN holds scenario-tool and the prebuilt packagers of every target
#   (make windows puts the Windows ones there); WINDOWS_BIN holds
#   probe_windows.exe.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
native_bin=$(cd "$1" && pwd)
windows_bin=$(cd "$2" && pwd)
scenario="$here/../scenarios/Prova_Collina_4711"
tool="$native_bin/scenario-tool"
source "$here/wine_session.sh"

# package TARGET OUTPUT: the packager of the test scenario.
package() {
  "$tool" package "$scenario" --target "$1" -o "$2" >/dev/null ||
    fail "scenario-tool package --target $1 ended with status $?"
}

# 1. For 32-bit Windows: the prebuilt program's bytes come first, unchanged,
#    and the whole file is still a PE32 GUI executable importing only the
#    system's libraries.
package windows-i686 "$work/Prova_Collina_4711-i686.exe"
prebuilt="$native_bin/packager-windows-i686.exe"
cmp -s -n "$(stat -c %s "$prebuilt")" "$prebuilt" "$work/Prova_Collina_4711-i686.exe" ||
  fail "the 32-bit packager does not start with the prebuilt program's bytes"
bash "$here/check_win32.sh" "$work/Prova_Collina_4711-i686.exe"

start_wine_session "$work"

# 2. For 64-bit Windows, run from another folder: the six files land beside
#    the executable, those of the Linux packager of the folder byte for byte,
#    and no description text is left.
mkdir "$work/linux" "$work/windows"
package linux-x86_64 "$work/linux/Prova_Collina_4711"
(cd "$work/linux" && ./Prova_Collina_4711) || fail "the Linux packager ended with status $?"
package windows-x86_64 "$work/windows/Prova_Collina_4711.exe"
status=0
(cd "$work" && wine windows/Prova_Collina_4711.exe) || status=$?
[ "$status" -eq 0 ] || fail "the 64-bit packager ended with status $status"
for file in "${prova_files[@]}"; do
  cmp "$work/linux/$file" "$work/windows/$file" || fail "$file differs from the Linux packager's"
done
for text in Prova_Collina_linea.txt Prova_Collina_4711-.txt; do
  [ ! -e "$work/windows/$text" ] || fail "$text was left behind"
done
pass "the 64-bit packager of the folder writes the Linux packager's six files"

# 3. A packager whose scenario was changed, cut short, never appended or
#    edited to lead out of its folder: a
#    box with the error icon, one OK button and the program's name as its
#    title names the file and the reason; OK ends the program with status 3
#    and nothing written.
# The middle byte of the scenario, between the program and the 32-byte trailer.
flip_middle_byte() {
  local prebuilt_size total
  prebuilt_size=$(stat -c %s "$native_bin/packager-windows-x86_64.exe")
  total=$(stat -c %s "$1")
  python3 - "$1" $(((prebuilt_size + total - 32) / 2)) <<'EOF'
import sys
path, offset = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, "rb").read())
data[offset] ^= 0x20
open(path, "wb").write(data)
EOF
}
cut_tail() { truncate -s -10 "$1"; }
# An edit anyone can make: a name that leads out of the folder, with the
# checksum computed again.
name_outside() {
  python3 - "$1" "$here/../tool" <<'EOF'
import pathlib, sys
sys.path.insert(0, sys.argv[2])
from package_test import with_name
path = pathlib.Path(sys.argv[1])
path.write_bytes(with_name(path.read_bytes(), b"..\\Escaped"))
EOF
}
carry_nothing() { cp "$native_bin/packager-windows-x86_64.exe" "$1"; }

cp "$windows_bin/probe_windows.exe" "$work/"
for damage in flip_middle_byte cut_tail carry_nothing name_outside; do
  folder="$work/$damage"
  mkdir "$folder"
  cp "$work/windows/Prova_Collina_4711.exe" "$folder/Damaged.exe"
  "$damage" "$folder/Damaged.exe"
  cd "$folder"
  program_path=$(winepath -w "$folder/Damaged.exe" | tr -d '\r')
  wine Damaged.exe 2>"$work/stderr.txt" &
  packager_pid=$!
  probe=$(wine "$work/probe_windows.exe" message-box 60 | tr -d '\r') ||
    fail "$damage: no message box: $probe"
  status=0
  wait "$packager_pid" || status=$?
  box_start=$'caption: Damaged\nbutton: OK\ntext: The packager carries no scenario it can install.\n\n'
  box_end=$'; nothing was written\nbuttons: 1\nicon: error'
  [[ "$probe" == "$box_start$program_path: "?*"$box_end" ]] ||
    fail "$damage: the failure box shows:"$'\n'"$probe"
  [ "$status" -eq 3 ] || fail "$damage: after OK the program ended with status $status"
  grep -qF "$program_path: " "$work/stderr.txt" ||
    fail "$damage: stderr has no line for the failure: $(cat "$work/stderr.txt")"
  [ "$(ls)" = Damaged.exe ] || fail "$damage: the program wrote files: $(ls)"
  ! ls "$work" | grep -q Escaped || fail "$damage: the program wrote outside its folder"
  pass "$damage: the failure box names the program and the reason; OK ends with 3, nothing written"
done
