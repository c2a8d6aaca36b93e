# Sourced by the tests that run Windows programs under Wine: a virtual X
# display of their own and a fresh Wine prefix inside a scratch folder.
#   work                      a scratch folder, removed when the script exits
#   start_wine_session WORK   starts both, the prefix in WORK/prefix
#   end_wine_session          ends them; the script's exit does it too
#   fail MESSAGE / pass MESSAGE
#   prova_files               the six files the packager of the test scenario
#                             tests/scenarios/Prova_Collina_4711 writes
# The probe of message boxes, probe_windows.exe, comes from the 64-bit build.

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

wine_xvfb_pid=""
work=$(mktemp -d)
trap 'end_wine_session; rm -rf "$work"' EXIT

prova_files=(Prova_Collina_linea.dat Prova_Collina_4711.sim Prova_Collina_4711.dat
             Prova_Collina_4711_note.txt Prova_Collina_4711_rallentamenti.txt
             Prova_Collina_4711_scheda_treno.txt)

start_wine_session() {
  local work=$1 n
  # A display of our own, on the first free number.
  for n in $(seq 90 99); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    wine_xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  [ -n "$wine_xvfb_pid" ] || fail "no free X display number"
  sleep 1

  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1
  # Wine draws the window frame itself, as Windows does: there is no window manager.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
}

end_wine_session() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$wine_xvfb_pid" ]; then
    kill "$wine_xvfb_pid" 2>/dev/null || true
  fi
}
