#!/usr/bin/env bash
# Runs the end-to-end and kill tests again with the sites (to-send, sent and
# base directories) on file systems that nobody here wrote: exFAT through
# exfat-fuse and NTFS through ntfs-3g, each on a loop image, natively and,
# when a Windows suite's settings are given, with the Windows programs under
# Wine (which reaches the mount through its Z: drive).
#
#   tests/on_other_file_systems.sh BUILD [WINE_SETTINGS...]
#
# Needs root, /dev/fuse, loop devices, exfatprogs, exfat-fuse and ntfs-3g.
# Where a file system cannot be mounted it says so and skips it, except in
# CI (CI=true), where that is a failure.
set -euo pipefail
build=$1
shift
work=$(mktemp -d /tmp/site-fs-XXXXXX)
mounts=()
loops=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || fusermount -u "$m" 2>/dev/null || true; done
  for l in "${loops[@]}"; do losetup -d "$l" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

skip_or_fail() {
  echo "SKIPPED: tests on $1 ($2)"
  if [ "${CI:-}" = true ]; then
    echo "CI needs the tests on $1: failing"
    exit 1
  fi
}

# Tests that need what these file systems do not have (symbolic and hard
# links, FIFOs, Unix permissions, names that differ only in case) stay on
# the native file system.
filter='-Adversarial*:SpecialNames*:Prediction*:*Link*:*ConfiguredDirectoriesMeanOnePlaceEach*:*CannotBeDeleted*'

mount_exfat() {
  truncate -s 1G "$work/exfat.img"
  mkfs.exfat "$work/exfat.img" >/dev/null
  local loop
  loop=$(losetup -f --show "$work/exfat.img")
  loops+=("$loop")
  mount.exfat-fuse "$loop" "$1" >/dev/null
}

mount_ntfs() {
  truncate -s 1G "$work/ntfs.img"
  mkntfs -F -Q "$work/ntfs.img" >/dev/null 2>&1
  ntfs-3g "$work/ntfs.img" "$1"
}

failed=0
for fs in exfat ntfs; do
  point="$work/$fs"
  mkdir -p "$point"
  if ! command -v mkfs.exfat >/dev/null || ! command -v ntfs-3g >/dev/null || [ ! -e /dev/fuse ]; then
    skip_or_fail "$fs" "exfatprogs, exfat-fuse, ntfs-3g or /dev/fuse missing"
    continue
  fi
  if ! "mount_$fs" "$point" 2>"$work/$fs.err"; then
    skip_or_fail "$fs" "cannot mount: $(head -c 200 "$work/$fs.err")"
    continue
  fi
  mounts+=("$point")
  echo "== on $fs: $(findmnt -n -o FSTYPE,SOURCE --target "$point") =="
  for settings in "" "$@"; do
    label=native
    [ -n "$settings" ] && label=$(basename "$settings" .settings)
    for suite in e2e_tests kill_tests; do
      if ! SITE_TEST_TMPDIR="$point" SITE_TEST_SETTINGS="$settings" "$build/tests/$suite" --gtest_filter="$filter" \
           > "$work/run.log" 2>&1; then
        failed=1
        tail -n 60 "$work/run.log"
      fi
      echo "$fs $label $suite: $(grep -a -E '^\[  (PASSED|FAILED) ' "$work/run.log" | tr '\n' ' ')"
      grep -a -h -E 'killed [0-9]+ of [0-9]+ during the run' "$work/run.log" | sed "s/^/$fs $label: /" || true
    done
  done
done
exit $failed
