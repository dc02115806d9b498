#!/usr/bin/env bash
# The long soak: builds fileprotect_soak and runs it under Wine.
#   bash tools/soak.sh [seconds] [workers]      (default 600 s, 4 workers)
# More flags (--kill-every, --seed) go after the two numbers. Exit code 0
# only when nothing was lost or duplicated and the database is intact.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
seconds="${1:-600}"
workers="${2:-4}"
shift $(( $# < 2 ? $# : 2 ))

bash "$root/tools/build.sh" --target fileprotect_soak >/dev/null
cd "$build/bin"
"$build/wine-run.sh" fileprotect_soak.exe --seconds "$seconds" --workers "$workers" "$@" \
  2> >(grep -v -e '^wine' -e 'multiarch' -e 'execute "dpkg' -e 'apt-get install wine32' >&2)
