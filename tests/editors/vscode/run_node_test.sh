#!/usr/bin/env bash
# Runs one of the extension's grammar tests with node and the npm modules
# of EXTENSION_DIR (installed there with `npm ci`):
#   run_node_test.sh snapshots EXTENSION_DIR   the excerpts of snapshots/
#                                              against their .snap files
#   run_node_test.sh tokens EXTENSION_DIR      the cases of tokens_test.js
#   run_node_test.sh client EXTENSION_DIR      extension.js with stand-ins for
#                                              VS Code (client_test.js)
# Without node or the modules the test is skipped (status 77), unless
# PACKAGER_REQUIRE_NODE is set. After a deliberate change of a grammar,
# `make vscode-snapshots` writes the .snap files again.
set -euo pipefail
mode=$1
extension=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

missing=""
command -v node >/dev/null || missing="node is not installed"
[ -n "$missing" ] || [ -d "$extension/node_modules/vscode-tmgrammar-test" ] ||
  missing="the npm modules are not installed (cd editors/vscode && npm ci)"
if [ -n "$missing" ]; then
  if [ -n "${PACKAGER_REQUIRE_NODE:-}" ]; then
    echo "$missing, and PACKAGER_REQUIRE_NODE asks for it" >&2
    exit 1
  fi
  echo "skipped: $missing"
  exit 77
fi

case $mode in
  snapshots)
    snaps=$here/snapshots
    cd "$extension"
    snap() { node node_modules/vscode-tmgrammar-test/dist/snapshot.js "${update[@]}" -s "$@"; }
    update=()
    [ -z "${UPDATE_SNAPSHOTS:-}" ] || update=(--updateSnapshot)
    snap source.scenario-line "$snaps/*_linea.txt"
    snap source.scenario-train "$snaps/*-.txt"
    snap source.scenario-crew "$snaps/*_note.txt" "$snaps/*_rallentamenti.txt" \
      "$snaps/*_scheda_treno.txt"
    snap source.scenario-folder "$snaps/scenario.txt"
    ;;
  tokens)
    node "$here/tokens_test.js" "$extension"
    ;;
  client)
    node "$here/client_test.js" "$extension"
    ;;
  *)
    echo "usage: run_node_test.sh snapshots|tokens|client EXTENSION_DIR" >&2
    exit 2
    ;;
esac
