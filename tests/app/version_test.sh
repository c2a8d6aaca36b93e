#!/usr/bin/env bash
# The packager's one argument: --version alone prints its version and writes
# nothing; with any other command line it runs as with none and writes its
# six files beside itself.
# usage: version_test.sh PACKAGER VERSION
set -euo pipefail
packager=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
while IFS='|' read -r arguments expected files; do
  rm -rf "$work/run" && mkdir "$work/run" && cp "$packager" "$work/run/packager"
  # shellcheck disable=SC2086  # the arguments are words
  out=$("$work/run/packager" $arguments 2>/dev/null) || { echo "'$arguments': status $?" >&2; exit 1; }
  written=$(($(ls "$work/run" | wc -l) - 1))
  if [ "$out" != "$expected" ] || [ "$written" -ne "$files" ]; then
    echo "packager $arguments: printed '$out' and wrote $written files, not '$expected' and $files" >&2
    exit 1
  fi
done <<CASES
--version|packager $version|0
--version --version||6
-version||6
--help||6
CASES
