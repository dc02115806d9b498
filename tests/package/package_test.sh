#!/usr/bin/env bash
# What an outside team does with the package: install the build into a fresh
# folder, configure a tiny host project against it with exactly the CMake
# lines README.md gives, build it and run it under Wine; and cpack the same
# into a ZIP.
#   package_test.sh BUILD_DIR TOOLCHAIN_FILE
set -euo pipefail
build="$1"
toolchain="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d "$build/package-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in include/FileProtectExports.h include/StoreTypes.h bin/FileProtect.dll bin/ZQCrc32.dll \
    bin/fpctl.exe lib/cmake/FileProtect/FileProtectConfig.cmake; do
  [ -f "$work/prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
# Only the interface headers: no library internals.
extra=$(cd "$work/prefix/include" && ls | grep -v -x -F -f <(cd "$here/../../interfaces" && ls) || true)
[ -z "$extra" ] || { echo "unexpected headers: $extra"; exit 1; }

# The host project: its program, then the README's snippet word for word.
snippet=$(awk '/^### The installed package/ {section=1} section && /^```cmake$/ {inside=1; next}
  inside && /^```$/ {exit} inside {print}' "$here/../../README.md")
grep -q 'find_package(FileProtect' <<<"$snippet" || { echo "no CMake snippet in README.md"; exit 1; }
mkdir "$work/source"
cp "$here/host/main.cpp" "$work/source/"
{
  echo 'cmake_minimum_required(VERSION 3.20)'
  echo 'project(FileProtectHost LANGUAGES CXX)'
  echo 'add_executable(my_host main.cpp)'
  echo "$snippet"
} > "$work/source/CMakeLists.txt"
cmake -S "$work/source" -B "$work/host" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/host" >/dev/null
# Only the copied DLLs beside it: no compiler DLL may be needed.
(cd "$work/host" && "$build/wine-run.sh" my_host.exe 2>/dev/null) || { echo "the host did not run"; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" >/dev/null)
zip=$(ls "$work"/FileProtect-*.zip)
listing=$(cmake -E tar tf "$zip")
for file in include/FileProtectExports.h bin/FileProtect.dll lib/cmake/FileProtect/FileProtectConfig.cmake; do
  grep -q "/$file\$" <<<"$listing" || { echo "not in $zip: $file"; exit 1; }
done
echo "package test passed"
