#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, and enables the
# source archive so the third-party libraries can be built from Debian's own
# (patched) sources. Safe to run again.
set -euo pipefail

packages=(g++-mingw-w64-x86-64-posix wine64 wine tcl dpkg-dev googletest sqlite3 cmake make
  clang-tidy cppcheck nlohmann-json3-dev libcli11-dev libfmt-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/debian-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  # Mirror every deb entry of the configured archive as a deb-src entry.
  sed -n '/^Types:/,$p' /etc/apt/sources.list.d/debian.sources \
    | sed 's/^Types: deb$/Types: deb-src/' > "$src_list"
  need_update=1
fi

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
