#!/usr/bin/env bash
# Installs what is missing, builds every flavour and runs all tests: the Windows tests under
# Wine (inside a private Xvfb display for the GUI ones) and the Linux tools' tests.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build/x64" --output-on-failure -j "${VELMORA_JOBS:-2}" --timeout 900 "$@" || status=1
ctest --test-dir "$build/host" --output-on-failure --timeout 900 "$@" || status=1
# Hardening: every fuzz target briefly under the sanitizers, then cppcheck and clang-tidy.
"$here/scripts/fuzz.sh" "${VELMORA_FUZZ_SECONDS:-60}" || status=1
"$here/scripts/static-analysis.sh" || status=1
# Identical sources give identical shipped binaries.
"$here/scripts/check-reproducible.sh" || status=1
exit $status
