#!/usr/bin/env bash
# The Debian package of the build, as a user installs it: made with cpack,
# unpacked into a scratch root, its programs run from there. scenario-tool
# prints its version and makes a packager from the prebuilt one installed
# beside it; the prebuilt packager is the build's, byte for byte; man shows
# the page without a warning; bash completes from the installed script.
# Skipped (77) where dpkg-deb, dpkg-shlibdeps, cpack, man or groff is missing.
# usage: install_test.sh BUILD_DIR VERSION PREBUILT_PACKAGER SCENARIO_DIR
set -euo pipefail
build_dir=$1 version=$2 prebuilt=$3 scenario=$4
for program in dpkg-deb dpkg-shlibdeps cpack man groff; do
  command -v "$program" >/dev/null || { echo "no $program: skipped"; exit 77; }
done
work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cpack --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb="$work/deb/scenario-tool_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$work/deb")"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* ]] || fail "the package's computed dependencies miss libc6: '$depends'"
root="$work/root"
dpkg-deb -x "$deb" "$root"
tool="$root/usr/bin/scenario-tool"

# The versions, of the tool and of the packager it installs.
[ "$("$tool" --version)" = "scenario-tool $version" ] || fail "scenario-tool --version: $("$tool" --version)"
installed_prebuilt="$root/usr/lib/scenario-tool/$(basename "$prebuilt")"
cmp -s "$prebuilt" "$installed_prebuilt" || fail "$installed_prebuilt is not the build's prebuilt packager"
[ "$("$installed_prebuilt" --version)" = "packager $version" ] || fail "packager --version"
# watch finds its page server where the installation put it.
timeout -s INT 3 "$tool" watch "$scenario" -o "$work/watched.html" >"$work/watch.log" 2>&1 || true
grep -q "http://127.0.0.1:" "$work/watch.log" || fail "the installed watch serves no page: $(cat "$work/watch.log")"

# The help names the installed guide.
[[ $("$tool" --help) == *"The author's guide: $root/usr/share/doc/scenario-tool/authoring.md"* ]] ||
  fail "the help does not name the installed guide"

# package finds the installed prebuilt packager from the installed tool.
"$tool" package "$scenario" --target linux-x86_64 -o "$work/made" >/dev/null ||
  fail "the installed scenario-tool made no packager"
cmp -s -n "$(stat -c %s "$prebuilt")" "$prebuilt" "$work/made" || fail "the packager made does not start with the prebuilt one"
# One that is installed nowhere is named at both places looked at.
missing=$("$tool" package "$scenario" --target windows-i686 -o "$work/made.exe" 2>&1) &&
  fail "packaged with no prebuilt packager"
[[ $missing == *"$root/usr/bin/packager-windows-i686.exe"*"$root/usr/lib/scenario-tool/packager-windows-i686.exe"* ]] ||
  fail "the missing prebuilt packager is not named at both places: $missing"

# The manual page: man renders it, groff finds nothing to warn about.
page="$root/usr/share/man/man1/scenario-tool.1.gz"
shown=$(MANWIDTH=100 MANPAGER=cat man -l "$page" 2>"$work/man.err") || fail "man -l $page failed"
[ ! -s "$work/man.err" ] || fail "man -l: $(cat "$work/man.err")"
[[ $shown == *"scenario-tool completions bash|zsh"* ]] || fail "man -l shows no completions command"
zcat "$page" | groff -man -Tutf8 -ww -z 2>"$work/groff.err"
[ ! -s "$work/groff.err" ] || fail "groff warns: $(cat "$work/groff.err")"

# Bash completion from the installed script: WORDS (the last one completed) → REPLY.
mkdir -p "$work/cwd/Linea_Uno" && touch "$work/cwd/Linea.svg"
completion="$root/usr/share/bash-completion/completions/scenario-tool"
while IFS='|' read -r words expected; do
  read -ra line <<<"$words"
  [[ $words != *" " ]] || line+=("")
  reply=$(cd "$work/cwd" && bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
           _scenario_tool; echo "${COMPREPLY[*]}"' _ "$completion" "${line[@]}")
  [ "$reply" = "$expected" ] || fail "completing '$words': '$reply', not '$expected'"
done <<'CASES'
scenario-tool ch|check
scenario-tool comp|compile completions
scenario-tool --v|--version
scenario-tool check --fo|--format
scenario-tool check DIR --format |text json sarif
scenario-tool package DIR --target windows-x|windows-x86_64
scenario-tool check Linea_Uno -Wno-unknown-k|-Wno-unknown-keyword
scenario-tool check Linea_Uno -Wn|-Wno-
scenario-tool check DIR --format = j|json
scenario-tool report L|Linea_Uno
scenario-tool dump Linea.s|Linea.svg
scenario-tool plan DIR -o Linea.s|Linea.svg
scenario-tool completions z|zsh
scenario-tool lsp |
CASES
zsh_completion="$root/usr/share/zsh/vendor-completions/_scenario-tool"
[ -s "$zsh_completion" ] || fail "no zsh completion installed"
if command -v zsh >/dev/null; then zsh -n "$zsh_completion" || fail "zsh cannot read $zsh_completion"; fi
[ -s "$root/usr/share/doc/scenario-tool/authoring.md" ] || fail "no guide installed"
echo "install_test: $deb installs and runs"
