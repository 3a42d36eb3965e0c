#!/usr/bin/env bash
# Runs the not-enough-space tests (silent, and the dialog with Choose) and a run that fills
# the volume during extraction with a 2 MB tmpfs folder as the temporary folder.
#   small_disk_test.sh WINEPREFIX TEST_EXE
# Mounting needs root; without it the test is skipped (exit 77). Always unmounts.
set -euo pipefail
prefix=$1 tests=$2
[ "$(id -u)" = 0 ] || { echo "skipped: mounting a tmpfs needs root"; exit 77; }
folder=$(mktemp -d /tmp/ruvo-small-disk.XXXXXX)
cleanup() { umount "$folder" 2>/dev/null || true; rmdir "$folder"; }
trap cleanup EXIT
mount -t tmpfs -o size=2m tmpfs "$folder"
VELMORA_WINEPREFIX=$prefix RUVO_SMALL_DISK=$folder \
  "$(dirname "$0")/../../../cmake/wine-run.sh" "$tests" --gtest_filter=Failures.NotEnoughSpace:Failures.VolumeFillingUpDuringExtractionLeavesNothing:Dialog.NoRoomThenChooseAnotherFolder \
  --gtest_color=no | tee /dev/stderr | grep -q "\[  PASSED  \] 3 tests" || exit 1
