#!/usr/bin/env bash
# Fetches SQLite, TinyXML and Google Benchmark from Debian's source archive,
# unpacks them with Debian's patches applied, and generates the SQLite
# amalgamation. CMake compiles the results with the cross compiler.
#
# Prints the folder that holds the unpacked trees. Results are cached per
# package version, so later runs return at once.
set -euo pipefail

cache_root="${FILEPROTECT_THIRDPARTY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fileprotect-thirdparty}"
packages=(sqlite3 tinyxml benchmark)

mkdir -p "$cache_root"
cd "$cache_root"

# The version Debian offers decides the cache key: a newer security release
# is fetched and built afresh.
stamp=""
for p in "${packages[@]}"; do
  v=$(apt-cache showsrc "$p" 2>/dev/null | sed -n 's/^Version: //p' | head -n 1)
  [ -n "$v" ] || { echo "no source package for $p (is deb-src enabled?)" >&2; exit 1; }
  stamp+="$p=$v "
done

if [ -f ready.stamp ] && [ "$(cat ready.stamp)" = "$stamp" ]; then
  echo "$cache_root"
  exit 0
fi

rm -rf work sqlite3 tinyxml benchmark ready.stamp
mkdir work
(
  cd work
  apt-get source --download-only "${packages[@]}" >/dev/null 2>&1
  for dsc in *.dsc; do dpkg-source -x "$dsc" >/dev/null 2>&1; done
)
mv work/sqlite3-*/ sqlite3
mv work/tinyxml-*/ tinyxml
mv work/benchmark-*/ benchmark
rm -rf work

# The amalgamation and the shell's source are generated files; they need
# tclsh and a native compiler for SQLite's small build tools, but nothing of
# the target platform.
(
  cd sqlite3
  ./configure >/dev/null
  make sqlite3.c shell.c >/dev/null
)

echo "$stamp" > ready.stamp
echo "$cache_root"
