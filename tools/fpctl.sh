#!/usr/bin/env bash
# Runs fpctl under Wine in the build's own prefix, building it first when
# needed: bash tools/fpctl.sh status. On Windows, run fpctl.exe as is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
bash "$root/tools/build.sh" --target fpctl >"$log" 2>&1 || { cat "$log" >&2; exit 2; }
# Relative file arguments name files of the current folder.
"$build/wine-run.sh" "$build/bin/fpctl.exe" "$@" \
  2> >(grep -v -e '^wine' -e 'multiarch' -e 'execute "dpkg' -e 'apt-get install wine32' >&2)
