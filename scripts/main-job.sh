#!/usr/bin/env bash
# The main job: installs what is missing, builds every deliverable, then runs quillrun.exe
# on the sample application folder under Wine and shows its output and exit code.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"

echo "== deliverables"
find "$here/dist" -maxdepth 2 -type f | sort

export VELMORA_WINEPREFIX="$build/x64/wineprefix"
"$here/cmake/wine-prefix.sh" start
trap '"$here/cmake/wine-prefix.sh" stop' EXIT
source "$here/cmake/wine-env.sh"

app="$build/sample-app"
rm -rf "$app" && mkdir -p "$app"
cp -r "$here/samples/hello-app/." "$app/"
cp "$here/dist/x64/quillrun.exe" "$app/hello.exe"
echo "== running hello.exe (quillrun) in $app"
set +e
(cd "$app" && /usr/lib/wine/wine64 ./hello.exe "$@")
code=$?
set -e
echo "== exit code: $code"
