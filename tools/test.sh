#!/usr/bin/env bash
# Installs, builds and runs the whole test suite under Wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/build.sh"
cd "$build"
ctest --output-on-failure "$@"
