#!/usr/bin/env bash
# Runs the 64-bit Windows build of the packager under Wine, on a virtual X
# display, and compares what it leaves with the Linux build's run. Both run
# the packager of the tests' reference scenario, whatever scenario the builds'
# packagers carry.
# usage: wine_test.sh WINDOWS_BIN LINUX_PACKAGER [SCREENSHOT.png]
#   WINDOWS_BIN holds reference_packager.exe, packager_errore.exe,
#   show_wait_window.exe and probe_windows.exe; LINUX_PACKAGER is the Linux
#   build's reference_packager. With a third argument the wait window is also
#   saved as a PNG picture.
set -euo pipefail
windows_bin=$(cd "$1" && pwd)
linux_packager=$(realpath "$2")
screenshot=${3:+$(realpath -m "$3")}
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"
start_wine_session "$work"

# 1. The run: the six lasting files are the Linux build's, byte for byte,
#    and neither description text is left.
mkdir "$work/linux" "$work/windows"
cp "$linux_packager" "$work/linux/packager"
(cd "$work/linux" && ./packager) || fail "the Linux packager failed"
cp "$windows_bin/reference_packager.exe" "$work/windows/packager.exe"
status=0
(cd "$work/windows" && wine packager.exe) || status=$?
[ "$status" -eq 0 ] || fail "packager.exe ended with status $status"
for file in Vardessa_Lontrino_linea.dat Vardessa_Lontrino_5608.sim Vardessa_Lontrino_5608.dat \
            Vardessa_Lontrino_5608_note.txt Vardessa_Lontrino_5608_rallentamenti.txt \
            Vardessa_Lontrino_5608_scheda_treno.txt; do
  cmp "$work/linux/$file" "$work/windows/$file" || fail "$file differs from the Linux build's"
done
for text in Vardessa_Lontrino_linea.txt Vardessa_Lontrino_5608-.txt; do
  [ ! -e "$work/windows/$text" ] || fail "$text was left behind"
done
pass "the Windows run writes the Linux run's files and deletes both texts"

# 2. The error box: " Errore n. 1250", one OK button, no icon, the
#    application's title; OK ends the program with no binary file written.
mkdir "$work/errore"
cp "$windows_bin/packager_errore.exe" "$windows_bin/probe_windows.exe" "$work/errore/"
cd "$work/errore"
wine packager_errore.exe &
packager_pid=$!
probe=$(wine probe_windows.exe message-box 60 | tr -d '\r') || fail "no message box: $probe"
status=0
wait "$packager_pid" || status=$?
expected=$'caption: packager_errore\nbutton: OK\ntext:  Errore n. 1250\nbuttons: 1\nicon: none'
[ "$probe" = "$expected" ] || fail "the message box shows:"$'\n'"$probe"
[ "$status" -eq 2 ] || fail "after OK the program ended with status $status"
for file in Prova_Errore_linea.dat Prova_Errore_1250.sim Prova_Errore_1250.dat; do
  [ ! -e "$file" ] || fail "$file was written after the error box"
done
[ -s Prova_Errore_1250_note.txt ] || fail "the crew documents are missing after the error box"
pass "the error box reads \" Errore n. 1250\" with one OK button; OK ends the program"

# 3. The wait window: 280 by 179 pixels of client area at 96 dots per inch,
#    the label at 64,64, 177 by 53.
mkdir "$work/window"
cp "$windows_bin/show_wait_window.exe" "$work/window/packager.exe"
cp "$windows_bin/probe_windows.exe" "$work/window/"
cd "$work/window"
wine packager.exe 8000 &
window_pid=$!
geometry=$(wine probe_windows.exe client-size packager 60 | tr -d '\r') || fail "no wait window"
expected=$'client: 280 x 179\nchild: Static "Attendere" at 64,64 size 177 x 53'
[ "$geometry" = "$expected" ] || fail "the wait window is:"$'\n'"$geometry"
if [ -n "$screenshot" ]; then
  sleep 1
  import -window root "$work/screen.png"
  # The window and its frame, in the middle of the screen.
  window_id=$(xdotool search --name '^packager$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window_id")"
  convert "$work/screen.png" -crop "$((WIDTH + 16))x$((HEIGHT + 40))+$((X - 8))+$((Y - 32))" \
    +repage "$screenshot"
  pass "screenshot saved in $screenshot"
fi
wait "$window_pid" || true
pass "the wait window has the client area and the label of its layout"

# 4. A file failure, a folder in the place of the train table: a box with the
#    error icon, one OK button and the application's title says so and names
#    the file and the system's reason; the line also reaches stderr, and OK
#    ends the program with status 3.
mkdir -p "$work/failure/Vardessa_Lontrino_5608.sim"
cp "$windows_bin/reference_packager.exe" "$work/failure/packager.exe"
cp "$windows_bin/probe_windows.exe" "$work/failure/"
cd "$work/failure"
sim_path=$(winepath -w "$work/failure/Vardessa_Lontrino_5608.sim" | tr -d '\r')
wine packager.exe 2>stderr.txt &
packager_pid=$!
probe=$(wine probe_windows.exe message-box 60 | tr -d '\r') || fail "no message box: $probe"
status=0
wait "$packager_pid" || status=$?
box_start=$'caption: packager\nbutton: OK\ntext: The packager could not write its files.\n\n'
box_end=$'\nbuttons: 1\nicon: error'
# The reason is the system's own words, whatever they are.
[[ "$probe" == "$box_start$sim_path: cannot "?*": "?*"$box_end" ]] ||
  fail "the failure box shows:"$'\n'"$probe"
[ "$status" -eq 3 ] || fail "after OK the program ended with status $status"
grep -qF "$sim_path: cannot " stderr.txt || fail "stderr has no line for the failure: $(cat stderr.txt)"
[ -d Vardessa_Lontrino_5608.sim ] || fail "the folder in the train table's place was not kept"
pass "a folder in the train table's place is shown in an error box with its reason; OK ends with 3"
