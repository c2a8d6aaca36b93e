#!/usr/bin/env bash
# The Windows kit as an author uses it, under Wine: unpacked into an empty
# folder, its scenario-tool.exe checks the example and a folder of the
# author's own, then packages that folder; the packager runs and writes the
# files of the Linux packager of the same folder.
# usage: kit_test.sh KIT.zip NATIVE_BIN
#   NATIVE_BIN holds the Linux scenario-tool and the prebuilt packagers of
#   every target (make windows puts the Windows ones there).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kit_zip=$(realpath "$1")
native_bin=$(cd "$2" && pwd)
source "$here/wine_session.sh"

# 1. What the kit holds: the programs side by side, the guide and every
#    picture it shows, the example folder, and the getting-started text with
#    CR LF line ends for Notepad.
kit="$work/kit"
python3 -m zipfile -e "$kit_zip" "$kit"
cd "$kit"
pictures=$(grep -o 'images/[A-Za-z0-9_.-]*\.png' docs/authoring.md | sort -u | sed 's|^|docs/|')
for entry in scenario-tool.exe packager-windows-i686.exe packager-windows-x86_64.exe \
             GETTING-STARTED.txt docs/authoring.md $pictures example/Vardessa_Lontrino_5608/scenario.txt; do
  [ -s "$entry" ] || fail "the kit holds no $entry"
done
! grep -qv $'\r$' GETTING-STARTED.txt || fail "a line of GETTING-STARTED.txt does not end with CR LF"
pass "the kit holds the programs, the guide with its pictures, the example and GETTING-STARTED.txt"
# The extension for VS Code, packed where npm is installed: required when
# PACKAGER_REQUIRE_NODE says so, as continuous integration does.
if [ -f scenario-texts.vsix ]; then
  python3 "$here/../editors/vscode/vsix_test.py" "$here/../../editors/vscode" scenario-texts.vsix ||
    fail "the kit's scenario-texts.vsix does not hold the extension"
  pass "the kit holds the extension for VS Code"
elif [ -n "${PACKAGER_REQUIRE_NODE:-}" ]; then
  fail "the kit holds no scenario-texts.vsix"
fi

start_wine_session "$work"

# run_tool ARGUMENTS...: the kit's scenario-tool.exe, which must end with 0.
run_tool() {
  local output status=0
  output=$(wine scenario-tool.exe "$@" 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "scenario-tool.exe $* ended with status $status:"$'\n'"$output"
}

# 2. The author's commands, as GETTING-STARTED.txt gives them: a check of the
#    example, then of a folder copied beside the kit, which is packaged as a
#    file that the Linux scenario-tool makes byte for byte.
cp -r "$here/../scenarios/Prova_Collina_4711" "$kit/"
run_tool check 'example\Vardessa_Lontrino_5608'
run_tool check Prova_Collina_4711
run_tool package Prova_Collina_4711 --target windows-x86_64 -o Prova.exe
"$native_bin/scenario-tool" package Prova_Collina_4711 --target windows-x86_64 \
  -o "$work/Prova-linux-made.exe" >/dev/null || fail "the Linux scenario-tool package failed"
cmp Prova.exe "$work/Prova-linux-made.exe" ||
  fail "the kit's scenario-tool.exe packages otherwise than the Linux scenario-tool"
pass "scenario-tool.exe checks both folders and packages the author's one"

# A new folder, as GETTING-STARTED.txt starts one: the same files as the
# Linux scenario-tool writes, and it checks.
run_tool new my_folder --name My_Line --train 1234
run_tool check my_folder
"$native_bin/scenario-tool" new "$work/my-folder-linux" --name My_Line --train 1234 >/dev/null ||
  fail "the Linux scenario-tool new failed"
diff -r my_folder "$work/my-folder-linux" >/dev/null ||
  fail "the kit's scenario-tool.exe writes another new folder than the Linux scenario-tool"
pass "scenario-tool.exe writes a new folder that checks"

# 3. The packager, handed to a driver, writes beside itself the files of the
#    Linux packager of the same folder.
mkdir "$work/driver" "$work/linux"
mv Prova.exe "$work/driver/"
"$native_bin/scenario-tool" package Prova_Collina_4711 --target linux-x86_64 \
  -o "$work/linux/Prova" >/dev/null || fail "the Linux scenario-tool package failed"
(cd "$work/linux" && ./Prova) || fail "the Linux packager ended with status $?"
status=0
(cd "$work/driver" && wine Prova.exe) || status=$?
[ "$status" -eq 0 ] || fail "Prova.exe ended with status $status"
for file in "${prova_files[@]}"; do
  cmp "$work/linux/$file" "$work/driver/$file" || fail "$file differs from the Linux packager's"
done
pass "Prova.exe writes the Linux packager's six files"
