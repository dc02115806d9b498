#!/usr/bin/env bash
# Runs the cache's full-disk test on a small file system of its own: a tmpfs
# mounted for the run (which needs root), reached from Wine through Z:.
# Exits 77 (skipped) where no file system can be mounted.
set -u
bin="$1"
mount_point="$(mktemp -d /tmp/fileprotect-full-disk.XXXXXX)"
if ! mount -t tmpfs -o size=64k fileprotect-full-disk "$mount_point" 2>/dev/null; then
  echo "cannot mount a small file system here: skipped"
  rmdir "$mount_point"
  exit 77
fi
cd "$bin"
FILEPROTECT_FULL_DISK="Z:${mount_point//\//\\}" ../wine-run.sh cache_tests.exe \
  --gtest_filter='CacheFullDisk.*' 2>/dev/null
status=$?
umount "$mount_point" && rmdir "$mount_point"
exit $status
