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
             GETTING-STARTED.txt check-and-report.bat docs/authoring.md $pictures \
             example/Vardessa_Lontrino_5608/scenario.txt; do
  [ -s "$entry" ] || fail "the kit holds no $entry"
done
for text in GETTING-STARTED.txt check-and-report.bat; do
  ! grep -qv $'\r$' "$text" || fail "a line of $text does not end with CR LF"
done
pass "the kit holds the programs, the guide with its pictures, the example, GETTING-STARTED.txt and check-and-report.bat"

# The guide as one page, made when pandoc is there: every picture inside it,
# and the examples as typed in the kit's folder too.
if command -v pandoc >/dev/null; then
  [ "$(grep -o 'src="data:image/png' docs/authoring.html | wc -l)" -eq "$(wc -w <<<"$pictures")" ] ||
    fail "docs/authoring.html does not hold each of the guide's pictures"
  for typed in 'scenario-tool.exe check scenarios\My_Line_1234' 'build/bin/scenario-tool check'; do
    grep -qF "$typed" docs/authoring.html || fail "docs/authoring.html lacks '$typed'"
  done
  pass "docs/authoring.html holds the guide's pictures and its examples in both spellings"
fi

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

# The kit's file is named with the version of the scenario-tool.exe it holds.
version=$(wine scenario-tool.exe --version | tr -d '\r')
[ "$(basename "$kit_zip")" = "scenario-kit-windows-${version#scenario-tool }.zip" ] ||
  fail "$(basename "$kit_zip") is not named for $version"
# The help, in a console of 80 columns (never writing its last), offers the packagers the kit holds.
helps=$({ wine scenario-tool.exe --help; wine scenario-tool.exe package --help; } | tr -d '\r')
! awk 'length($0) > 79' <<<"$helps" | grep -q . || fail "a help line is wider than 79 columns"
[[ "$helps" == *"(windows-i686 or windows-x86_64)"* && "$helps" != *linux-x86_64* ]] ||
  fail "the help offers other targets than the kit's:"$'\n'"$helps"
if [ -s docs/authoring.html ]; then
  [[ "$helps" == *'\docs\authoring.html'* ]] || fail "the help does not name the guide's page"
fi
pass "the kit is named for $version; its help fits a console of 80 columns and offers its own targets"

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

# 4. An author's folders named in their own language, with spaces: a folder
#    named on the command line is read, every message and the report page
#    name it as it is named, with Windows' separator, and the packager made
#    into such a folder runs there.
export LC_ALL=C.UTF-8  # Wine reads the command line of a Linux shell as UTF-8
cd "$kit"
mkdir -p "Scenari miei"
cp -r "$here/../scenarios/Prova_Collina_4711" "Scenari miei/Città di prova"
city='Scenari miei\Città di prova'
output=$(wine scenario-tool.exe check "$city" 2>&1) ||
  fail "check of '$city' ended with status $?:"$'\n'"$output"
output=$(wine scenario-tool.exe profile "$city" -o 'Profilo è.svg' 2>&1) ||
  fail "profile of '$city' ended with status $?:"$'\n'"$output"
[[ "$output" == "Profilo è.svg: "* ]] || fail "profile names its picture otherwise: $output"
[ -s 'Profilo è.svg' ] || fail "profile wrote no 'Profilo è.svg'"
output=$(wine scenario-tool.exe report "$city" -o 'Pagina è.html' 2>&1) ||
  fail "report of '$city' ended with status $?:"$'\n'"$output"
[[ "$output" == "Pagina è.html: "* ]] || fail "report names its page otherwise: $output"
grep -qF 'Città di prova' 'Pagina è.html' || fail "the report page does not name 'Città di prova'"
! grep -q $'\xEF\xBF\xBD' 'Pagina è.html' || fail "the report page holds a replacement character"
# The packager's run writes the texts beside itself: a folder of its own.
mkdir "Scenari miei/Città di prova/Uscita è"
package="$city\\Uscita è\\Pacchetto è.exe"
output=$(wine scenario-tool.exe package "$city" --target windows-x86_64 -o "$package" 2>&1) ||
  fail "package of '$city' ended with status $?:"$'\n'"$output"
[[ "$output" == "$package: the packager of Prova_Collina 4711 "* ]] ||
  fail "package names its packager otherwise: $output"
status=0
(cd "Scenari miei/Città di prova/Uscita è" && wine 'Pacchetto è.exe') || status=$?
[ "$status" -eq 0 ] || fail "'Pacchetto è.exe' ended with status $status"
for file in "${prova_files[@]}"; do
  cmp "$work/linux/$file" "Scenari miei/Città di prova/Uscita è/$file" ||
    fail "$file differs from the Linux packager's"
done
pass "a folder and files named 'Città di prova', 'Pacchetto è.exe': check, profile, report, package and the packager's run"

# 5. Texts as Windows editors save them: each encoding named, with the way
#    to save it as UTF-8, at its line, in the same words by check and
#    compile; a folder renamed without its scenario.txt and texts says what
#    to write and names every text missing, in one run.
mkdir "Copia"
cp "$here/../scenarios/Prova_Collina_4711/"* Copia/
iconv -f UTF-8 -t WINDOWS-1252 "$here/../scenarios/Prova_Collina_4711/Prova_Collina_4711_note.txt" \
  >Copia/Prova_Collina_4711_note.txt
{ printf '\xFF\xFE'; iconv -f UTF-8 -t UTF-16LE "$here/../scenarios/Prova_Collina_4711/scenario.txt"; } \
  >Copia/scenario.txt
for command in check compile; do
  output=$(wine scenario-tool.exe $command Copia 2>&1) && fail "$command took Unicode texts"
  [[ "$output" == *'Copia\scenario.txt:1:1: error: saved as Unicode (UTF-16); the texts are UTF-8: save it as UTF-8 (in Notepad: File > Save as > Encoding: UTF-8)'* ]] ||
    fail "$command does not name the Unicode scenario.txt:"$'\n'"$output"
done
cp "$here/../scenarios/Prova_Collina_4711/scenario.txt" Copia/
for command in check compile; do
  output=$(wine scenario-tool.exe $command Copia 2>&1) && fail "$command took an ANSI text"
  [[ "$output" == *'Copia\Prova_Collina_4711_note.txt:'*': error: saved as ANSI (Windows-1252)'* ]] ||
    fail "$command does not name the ANSI text:"$'\n'"$output"
  [ "$(grep -c 'saved as ANSI' <<<"$output")" -eq 1 ] || fail "$command names the ANSI text twice"
done
rm Copia/scenario.txt Copia/Prova_Collina_4711_note.txt
mv Copia/Prova_Collina_4711-.txt Copia/Prova_Collina_9-.txt
output=$(wine scenario-tool.exe check Copia 2>&1) && fail "check took a folder without scenario.txt"
for said in 'scenario.txt: error: missing; it names the scenario and its train: write in it the lines "name = Prova_Collina" and "train = 4711"' \
            'Prova_Collina_4711-.txt: error: missing' 'Prova_Collina_4711_note.txt: error: missing'; do
  [[ "$output" == *"Copia\\$said"* ]] || fail "check does not say '$said':"$'\n'"$output"
done
pass "texts saved as Unicode or ANSI are named with the way out; a folder without scenario.txt says what to write and every text missing"

# 6. One's own scenario as GETTING-STARTED.txt walks through it, with its own
#    lines: the example copied, scenario.txt given the new names (as in
#    Notepad), check names each text to rename, the renames, then check,
#    profile, plan and report end well.
cd "$kit"
walk=$(sed -n '/^1\. Your own scenario/,/^2\. Make a packager/p' GETTING-STARTED.txt | tr -d '\r')
lines_of() { sed -n "s/^    \($1.*\)$/\1/p" <<<"$walk"; }
wine cmd /c "$(lines_of xcopy)" >/dev/null 2>&1 || fail "the xcopy of GETTING-STARTED.txt failed"
sed -i 's/^name = .*/name = My_Line/; s/^train = .*/train = 1234/' My_Line_1234/scenario.txt
output=$(wine scenario-tool.exe check My_Line_1234 2>&1) && fail "check took the texts' old names"
[[ "$output" == *'My_Line_1234\My_Line_1234-.txt: error: missing'* ]] ||
  fail "check does not name the text to rename as GETTING-STARTED.txt says:"$'\n'"$output"
lines_of '\(cd\|ren\) ' | sed 's/$/\r/' >renames.bat
wine cmd /c renames.bat >/dev/null 2>&1 || fail "the renames of GETTING-STARTED.txt failed"
while IFS= read -r line; do
  # new writes elsewhere, and watch runs until stopped (watch_test.sh runs it).
  [[ "$line" == *" new "* || "$line" == *" watch "* ]] && continue
  # shellcheck disable=SC2086  # the line's words, as the Command Prompt splits them
  run_tool ${line#scenario-tool.exe }
done < <(lines_of scenario-tool.exe)
[ -s report.html ] && [ -s profile.svg ] && [ -s plan.svg ] ||
  fail "the steps of GETTING-STARTED.txt wrote no report.html, profile.svg or plan.svg"
pass "GETTING-STARTED.txt's own scenario: copied, renamed as check says, checked, drawn and reported"

# 7. A scenario folder dropped on check-and-report.bat, named with a space
#    and an accent: checked, report.html written beside it and opened in the
#    browser (here a script that notes what it is given).
cat >"$work/browser" <<'SCRIPT'
#!/bin/sh
printf '%s\n' "$@" >>"$(dirname "$0")/opened"
SCRIPT
chmod +x "$work/browser"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser" /f \
  >/dev/null 2>&1
# Pages open in the browser, as on a Windows with one (Wine's prefix knows
# the kind of page, htmlfile, but not that .html files are of that kind).
wine reg add 'HKCR\.html' /ve /t REG_SZ /d htmlfile /f >/dev/null 2>&1
rm -f "Scenari miei/report.html"
output=$(echo | wine cmd /c check-and-report.bat "$city" 2>&1) ||
  fail "check-and-report.bat ended with status $?:"$'\n'"$output"
[[ "$output" == *"0 errors"* ]] || fail "check-and-report.bat shows no check:"$'\n'"$output"
grep -qF 'Città di prova' "Scenari miei/report.html" ||
  fail "check-and-report.bat wrote no report.html beside 'Città di prova':"$'\n'"$output"
for second in 1 2 3 4 5; do [ -s "$work/opened" ] && break; sleep 1; done
grep -Eq 'Scenari(%20| )miei/report\.html$' "$work/opened" 2>/dev/null ||
  fail "check-and-report.bat did not open report.html:"$'\n'"$(cat "$work/opened" 2>&1)"
pass "a folder dropped on check-and-report.bat: checked, report.html written beside it and opened"

# 8. Started with no arguments in a console of its own, as a double-click in
#    Explorer starts it (Wine gives a program started from a terminal one of
#    its own), scenario-tool.exe shows a short usage and waits for a key; in
#    a Command Prompt's console it prints the whole help and ends at once.
#    The console's text comes with its cursor controls: compared without
#    them and without spaces.
console_text() { sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d ' \r\n'; }
cd "$kit"
started=$SECONDS
own=$( (sleep 3; printf x) | script -qc "wine scenario-tool.exe" /dev/null | console_text)
[[ "$own" == *Pressakeytoclose* && "$own" == *check-and-report.bat* && "$own" != *commands:* ]] ||
  fail "in a console of its own, scenario-tool.exe shows no short usage:"$'\n'"$own"
[ $((SECONDS - started)) -ge 3 ] || fail "in a console of its own, scenario-tool.exe did not wait for a key"
shared=$(script -qc "wine cmd /c scenario-tool.exe" /dev/null </dev/null | console_text)
[[ "$shared" == *commands:* && "$shared" != *Pressakey* ]] ||
  fail "in a Command Prompt, scenario-tool.exe does not print its help as before:"$'\n'"$shared"
pass "scenario-tool.exe opened from Explorer shows a short usage and waits; in a Command Prompt it does not"
