#!/usr/bin/env bash
# Installs what the build needs (first run only) and configures the cross
# build in build/ (or $BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/install-packages.sh"
thirdparty="$(bash "$root/tools/fetch-thirdparty.sh")"

cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTHIRDPARTY_DIR="$thirdparty" >/dev/null
