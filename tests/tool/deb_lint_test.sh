#!/usr/bin/env bash
# The Debian package of the build as Debian's own tools judge it: every
# program in it hardened (hardening-check: stack protector, fortified calls,
# full RELRO, BIND_NOW, PIE), lintian clean but for the overrides the package
# carries with their reasons, no maintainer script, a copyright file, and
# every package it depends on named in the README. Skipped (77) where a tool
# is missing, unless PACKAGER_REQUIRE_DEB_LINT asks for it (as .ci/run does).
# usage: deb_lint_test.sh BUILD_DIR VERSION README
set -euo pipefail
build_dir=$1 version=$2 readme=$3
for program in cpack dpkg-deb dpkg-shlibdeps hardening-check lintian; do
  if ! command -v "$program" >/dev/null; then
    [ -z "${PACKAGER_REQUIRE_DEB_LINT:-}" ] || { echo "no $program, and PACKAGER_REQUIRE_DEB_LINT asks for it" >&2; exit 1; }
    echo "no $program: skipped"
    exit 77
  fi
done
work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb_lint_test: $*" >&2; exit 1; }

cpack --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb="$work/deb/scenario-tool_${version}_amd64.deb"
dpkg-deb -x "$deb" "$work/root"

# The two programs and the page server; cf-protection is not asked of them,
# nor fortified calls of the page server, whose few calls of the C library
# have sizes known only at run time (hardening-check finds none to fortify).
hardening-check --nocfprotection "$work/root/usr/bin/scenario-tool" \
  "$work/root/usr/lib/scenario-tool/packager-linux-x86_64" >"$work/hardening.log" 2>&1 &&
  hardening-check --nocfprotection --nofortify \
    "$work/root/usr/lib/scenario-tool/scenario-tool-server.so" >>"$work/hardening.log" 2>&1 ||
  fail "a program is not hardened: $(cat "$work/hardening.log")"

dpkg-deb --ctrl-tarfile "$deb" | tar -t >"$work/control.list"
! grep -qE 'post(inst|rm)|triggers' "$work/control.list" ||
  fail "the package runs a script or a trigger (ldconfig?): $(cat "$work/control.list")"
[ -s "$work/root/usr/share/doc/scenario-tool/copyright" ] || fail "the package has no copyright file"

lintian --fail-on error,warning,info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"

# The README names each package the computed dependencies name.
depends=$(dpkg-deb -f "$deb" Depends)
IFS=',' read -ra packages <<<"$depends"
for package in "${packages[@]}"; do
  name=$(sed -E 's/^ *([^ (]+).*/\1/' <<<"$package")
  grep -qF "\`$name\`" "$readme" || fail "the README does not name the dependency $name (Depends: $depends)"
done
echo "$depends"
