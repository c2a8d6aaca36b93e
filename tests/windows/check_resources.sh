#!/usr/bin/env bash
# Checks the resources of Windows programs without running them: the icon,
# the version resource of the project's version and the manifest (UTF-8 as
# the code page, aware of the screen's dots per inch, common controls 6).
# usage: check_resources.sh VERSION PROGRAM.exe...
set -euo pipefail
version=$1
shift
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n'; }
for program in "$@"; do
  fail() { echo "FAIL: $program: $*" >&2; exit 1; }
  types=$(x86_64-w64-mingw32-objdump -p "$program" |
    sed -n '/^The .rsrc Resource Directory/,$p' | sed -n 's/^0[0-9a-f]\{2\}   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p')
  for type in 3:icon e:icon-group 10:version 18:manifest; do
    grep -qx "${type%%:*}" <<<"$types" || fail "no ${type#*:} resource"
  done
  bytes=$(od -An -tx1 -v "$program" | tr -d ' \n')
  # The version's text follows its key, after padding to four bytes.
  [[ "$bytes" =~ $(utf16 FileVersion)0000(0000)?$(utf16 "$version")0000 ]] ||
    fail "its version is not $version"
  manifest=$(tr -s ' \n' ' ' <"$program" | grep -ao '<assembly.*</assembly>' || true)
  for needed in '>UTF-8</activeCodePage>' '>true</dpiAware>' \
                'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    [[ "$manifest" == *"$needed"* ]] || fail "its manifest lacks $needed"
  done
  echo "ok: $program has its icon, version $version and manifest"
done
