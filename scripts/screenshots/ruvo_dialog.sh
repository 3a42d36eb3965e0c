#!/usr/bin/env bash
# Screenshots of ruvo's progress dialog for the README: the working look during a large
# extraction and the error panel of an installer whose launcher cannot start. Runs the x86-64
# build under Wine on a private Xvfb display; needs scripts/build.sh first and ImageMagick.
#   scripts/screenshots/ruvo_dialog.sh [--locale LOCALE] [--scale PERCENT] [OUTPUT_FOLDER]
#                                                                        (default docs/images)
# With a locale such as de_DE.UTF-8, ja_JP.UTF-8 or ar_SA.UTF-8, ruvo runs in that locale's
# language (Wine takes it from the locale variables; the locale need not be generated) and the
# pictures are named after the locale: ruvo-progress-de_DE.png, ruvo-error-de_DE.png. With a
# display scaling other than 100 (150, 200), Wine runs at that many DPI in a prefix of its own and
# the names end in the scaling: ruvo-progress-200.png.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
locale=
scale=100
while [ $# -gt 0 ]; do
  case $1 in
    --locale) locale=${2:?--locale needs a locale name}; shift 2 ;;
    --scale) scale=${2:?--scale needs a percentage}; shift 2 ;;
    *) break ;;
  esac
done
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
out="$(realpath -m "${1:-$here/docs/images}")"
suffix=${locale:+-${locale%%.*}}
prefix="${VELMORA_WINEPREFIX:-$build/x64/screenshot-wineprefix}"
dpi=$((scale * 96 / 100))
if [ "$scale" != 100 ]; then
  suffix=$suffix-$scale
  prefix=$prefix-dpi$dpi
fi
bin="$build/x64/tests/bin"
export VELMORA_WINEPREFIX="$prefix"
work="$(mktemp -d /tmp/ruvo-shots.XXXXXX)"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 $((8 * scale))x$((6 * scale))x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; "$here/cmake/wine-prefix.sh" stop; rm -rf "$work"' EXIT
export DISPLAY=$display
win() { echo "Z:${1//\//\\}"; }
run() { "$here/cmake/wine-run.sh" "$@"; }
# The locale goes to Wine alone: a shell started with a locale that is not generated complains.
run_localised() {
  if [ -z "$locale" ]; then run "$@"; return; fi
  (source "$here/cmake/wine-env.sh" && exec env LANG="$locale" LC_ALL="$locale" LC_MESSAGES="$locale" LANGUAGE= \
    /usr/lib/wine/wine64 "$@")
}
"$here/cmake/wine-prefix.sh" start "$dpi"
mkdir -p "$out" "$work/big/Windows/InstallerData" "$work/broken/Windows" "$work/tmp"

# shot NAME INSTALLER-FOLDER CONTROL-TO-WAIT-FOR: packs, starts in dialog mode, captures, cancels.
shot() {
  run "$dist/x64/ruvo-pack.exe" --no-check --stub "$(win "$dist/x64/ruvo.exe")" --out "$(win "$work/$1.exe")" --level 0 \
    "$(win "$work/$2")" 2>/dev/null
  run_localised cmd /c "set TMP=$(win "$work/tmp")&& set TEMP=$(win "$work/tmp")&& $(win "$work/$1.exe")" &
  local ruvo=$!
  run "$bin/dialog_driver.exe" wait title=Velmora 20000 >/dev/null
  until run "$bin/dialog_driver.exe" controls title=Velmora | tr -d '\r' | grep -q "$3"; do sleep 0.2; done
  import -window root "$work/$1-full.png"
  convert "$work/$1-full.png" -trim +repage "$out/$1$suffix.png"
  run "$bin/dialog_driver.exe" click title=Velmora 2
  wait $ruvo || true
}

cp "$bin/standin_vm.exe" "$work/big/Windows/setup.exe"
echo "kiv.nl.java.launcher.main.class=a.B" > "$work/big/Windows/setup.kiv"
head -c $((96 << 20)) /dev/urandom > "$work/big/Windows/InstallerData/data.bin"
shot ruvo-progress big '^1009 1 [1-9][0-9]*%'
echo "no program" > "$work/broken/Windows/setup.exe"
echo "kiv.nl.java.launcher.main.class=a.B" > "$work/broken/Windows/setup.kiv"
shot ruvo-error broken '^1003 1'
echo "written: $out/ruvo-progress$suffix.png $out/ruvo-error$suffix.png"
