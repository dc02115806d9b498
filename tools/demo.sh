#!/usr/bin/env bash
# Installs, builds and runs the demo host under Wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/build.sh" --target FileProtectDemo
cd "$build/bin"
"$build/wine-run.sh" FileProtectDemo.exe 2> >(grep -v -e '^wine' -e 'multiarch' -e 'execute "dpkg' -e 'apt-get install wine32' >&2)
