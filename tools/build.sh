#!/usr/bin/env bash
# Installs what the build needs (first run only), then configures and builds
# everything into build/ (or $BUILD_DIR). Extra arguments go to cmake --build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/configure.sh"
cmake --build "$build" --parallel "$(nproc)" "$@"
