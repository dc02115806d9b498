#!/usr/bin/env bash
# Static checks of our own sources (not the third-party trees): clang-tidy for
# the mingw target, using the build's compile commands, and cppcheck.
# Exits non-zero on any finding.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/configure.sh"  # also writes the compile commands

cd "$root"
mapfile -t sources < <(git ls-files 'base/*.cpp' 'frame/*.cpp' 'store/*.cpp' 'helpers/*.cpp' 'coordination/*.cpp' \
  'cache/*.cpp' 'disks/*.cpp' 'outside/*.cpp' 'tools/*.cpp')

# clang reads the compile commands of the cross compiler; it only needs to be
# told the target and where mingw's C++ headers are.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cxx_include="$gcc_dir/include/c++"
tidy_args=(--quiet -p "$build" --extra-arg=--target=x86_64-w64-mingw32
  "--extra-arg=-isystem$cxx_include" "--extra-arg=-isystem$cxx_include/x86_64-w64-mingw32"
  "--extra-arg=-isystem$cxx_include/backward")

echo "clang-tidy: ${#sources[@]} files"
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy "${tidy_args[@]}" 2>/dev/null \
  > "$build/clang-tidy.log" || { cat "$build/clang-tidy.log"; echo "clang-tidy found problems"; exit 1; }

echo "cppcheck: ${#sources[@]} files"
# cppcheck does not read the compiler's own definitions; name the target that
# interfaces/SharedRuntime.h requires (mingw-w64 x86_64, libstdc++, C++11 ABI).
cppcheck --quiet --error-exitcode=1 --std=c++17 --language=c++ --platform=win64 \
  --enable=warning,performance,portability --inline-suppr \
  --suppress=missingIncludeSystem --suppress=unknownMacro \
  -D_WIN32 -D_WIN64 -D__MINGW32__ -D__MINGW64__ -D__GLIBCXX__=20220819 -D_GLIBCXX_USE_CXX11_ABI=1 \
  -I . \
  "${sources[@]}"
echo "static checks clean"
