#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, packs the sample application
# onto the shipped 32-bit ruvo.exe with ruvo-pack and runs that installer silently under Wine:
#   hello-setup.exe (ruvo) -> hello.exe (quillrun) -> java.exe (bridge) -> the host's JVM
# Arguments are handed to the installer, e.g.  ./scripts/main-job.sh --exit=3
# With VELMORA_APP=/path/to/folder, that folder is packed instead of the sample.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" >/dev/null

echo "== deliverables"
(cd "$dist" && find . -maxdepth 2 -type f -printf '%-28p %10s bytes\n' | sort)

export VELMORA_WINEPREFIX="$build/x64/wineprefix"
"$here/cmake/wine-prefix.sh" start
trap '"$here/cmake/wine-prefix.sh" stop' EXIT
source "$here/cmake/wine-env.sh"

# The stub users get; the x86-64 test build of the same sources where 32-bit cannot run.
stub="$dist/i686/ruvo.exe"
if ! /usr/lib/wine/wine64 "$dist/i686/ruvo-pack.exe" --version >/dev/null 2>&1; then
  stub="$dist/x64/ruvo.exe"
  echo "== this machine cannot run 32-bit programs: packing onto the x86-64 test build $stub"
fi
app="${VELMORA_APP:-$build/x64/sample-payload/hello-app}"
installer="$build/hello-setup.exe"
echo "== packing $app onto $stub"
"$dist/host/ruvo-pack" --stub "$stub" --out "$installer" "$app"

# The installer starts the launcher in a console of its own, which a script cannot read;
# the sample application also writes its report to this file.
export HELLO_REPORT="$build/hello-report.txt"
rm -f "$HELLO_REPORT"
echo "== running: hello-setup.exe -i silent $*"
set +e
(cd "$build" && /usr/lib/wine/wine64 ./hello-setup.exe -i silent "$@")
code=$?
set -e
[ -f "$HELLO_REPORT" ] && cat "$HELLO_REPORT"
echo "== exit code: $code"
