#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, packs the sample application
# with one command (ruvo-pack's application mode: its jar, a name, the runtime to ship) onto the
# shipped 32-bit ruvo.exe, installs it silently under Wine with scripts/try-installer.sh, says
# where it went and runs the installed application:
#   hello.exe (ruvo) -> Windows_Pure_64_Bit\setup.exe (the setup engine) -> installs app\ into
#   %LOCALAPPDATA%\Programs\hello; then hello.exe there (quillrun) -> runtime\bin\java.exe (bridge)
#   -> the host's JVM
# Without a built setup engine, it packs a run-type installer and runs that instead.
# Arguments are handed to the installer, e.g.  ./scripts/main-job.sh --exit=3
# With VELMORA_APP=/path/to/folder, that installer folder is packed instead (the folder form,
# which controls every key).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" >/dev/null

echo "== deliverables"
(cd "$dist" && find . -maxdepth 2 -type f -printf '%-28p %10s bytes\n' | sort)

# The stub users get; the x86-64 test build of the same sources where 32-bit cannot run.
stub="$dist/i686/ruvo.exe"
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  stub="$dist/x64/ruvo.exe"
  echo "== this machine cannot run 32-bit programs: packing onto the x86-64 test build $stub"
fi

if [ -z "${VELMORA_APP:-}" ]; then
  # One command from a jar to an installer: the manifest names the main class, the bridge
  # stands in for the Java runtime that a real application would ship.
  sample="$build/x64/sample-app"
  installer="$build/installer/hello.exe"
  mkdir -p "$(dirname "$installer")"
  common=(--input "$sample/input" --main-jar hello.jar --name hello --vendor Velmora --app-version 1.0
          --java-options "-Xms16m -Xmx64m" --runtime-image "$sample/runtime" --stub "$stub" --out "$installer")
  if [ ! -f "$dist/x64/quillsetup.exe" ]; then
    echo "== no setup engine in $dist/x64: packing a run-type installer (unpacks, runs, removes the folder)"
    "$dist/host/ruvo-pack" "${common[@]}" --type run
    exec "$here/scripts/try-installer.sh" "$installer" -i silent "$@"
  fi
  echo "== packing $sample/input/hello.jar onto $stub (application mode, an installing installer)"
  "$dist/host/ruvo-pack" "${common[@]}"
  "$here/scripts/try-installer.sh" "$installer" -i silent
  prefix=$(realpath -m -- "${VELMORA_TRY_PREFIX:-$build/try-prefix}")
  installed=$(find "$prefix/drive_c/users" -path '*/Programs/hello/hello.exe' -print -quit 2>/dev/null)
  if [ -z "$installed" ]; then
    echo "== the sample is not in the per-user programs folder: the install failed" >&2
    exit 1
  fi
  windows=${installed#"$prefix/drive_c/"}
  echo "== installed into C:\\${windows//\//\\}"
  echo "   (on this machine: $(dirname "$installed"))"
  exec "$here/scripts/try-installer.sh" "$installed" "$@"
fi

# The folder form. The installer takes the name of the launcher that ruvo will start, so that
# the two agree: Windows\<installer's name> when there is such a launcher (the one beside a
# .kiv of its name), else the first program in Windows_Pure_64_Bit\.
app="$VELMORA_APP"
launcher_name() {
  local kiv exe
  for kiv in "$app"/Windows/*.kiv; do
    [ -f "${kiv%.kiv}.exe" ] && { basename "${kiv%.kiv}"; return; }
  done
  for exe in "$app"/Windows_Pure_64_Bit/*.exe; do
    [ -f "$exe" ] && { basename "${exe%.exe}"; return; }
  done
  echo setup  # no launcher: ruvo-pack says what is missing
}
installer="$build/installer/$(launcher_name).exe"
mkdir -p "$(dirname "$installer")"
echo "== packing $app onto $stub"
"$dist/host/ruvo-pack" --stub "$stub" --out "$installer" "$app"

"$here/scripts/try-installer.sh" "$installer" -i silent "$@"
