#!/usr/bin/env bash
# Screenshots of the setup engine's windows: the progress window (waiting for another setup of
# the application), the prompt naming the running application, and the uninstall confirmation.
# Runs the x86-64 build under Wine on a private Xvfb display; needs the engine and the test
# programs built (cmake --build build/x64 --target quillsetup setup_test_app dialog_driver).
#   scripts/screenshots/setup_dialogs.sh [--locale LOCALE] [--scale PERCENT] [OUTPUT_FOLDER]
#                                                                        (default docs/images)
# LOCALE: en_US.UTF-8 (default), de_DE.UTF-8 or ar_SA.UTF-8, whose captions the script knows;
# names end in the locale and the scaling as ruvo_dialog.sh names them.
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
name=Shot
case ${locale%%.*} in
  ""|en_US) setup_title="$name Setup" uninstall_title="Uninstall $name" ;;
  de_DE) setup_title="Setup von $name" uninstall_title="$name deinstallieren" ;;
  ar_SA) setup_title="إعداد $name" uninstall_title="إلغاء تثبيت $name" ;;
  *) echo "unknown locale $locale: the script knows the captions of en_US, de_DE and ar_SA" >&2; exit 2 ;;
esac
bin="$build/x64/tests/bin"
export VELMORA_WINEPREFIX="$prefix"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 $((8 * scale))x$((6 * scale))x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; "$here/cmake/wine-prefix.sh" stop' EXIT
export DISPLAY=$display
source "$here/cmake/wine-env.sh"
wine() {
  if [ -z "$locale" ]; then /usr/lib/wine/wine64 "$@"; return; fi
  env LANG="$locale" LC_ALL="$locale" LC_MESSAGES="$locale" LANGUAGE= /usr/lib/wine/wine64 "$@"
}
driver() { /usr/lib/wine/wine64 "$bin/dialog_driver.exe" "$@"; }
"$here/cmake/wine-prefix.sh" start "$dpi"
mkdir -p "$out"
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v Public | head -1)
temp="$WINEPREFIX/drive_c/users/$user/Temp"
folder="C:\\users\\$user\\AppData\\Local\\Programs\\$name"

# layout VERSION: ruvo's working folder with the engine and the test application, as I<n>.
layout() {
  work="$temp/I$$$1"
  rm -rf "$work"
  mkdir -p "$work/Windows_Pure_64_Bit" "$work/app/lib"
  cp "$dist/x64/quillsetup.exe" "$work/Windows_Pure_64_Bit/setup.exe"
  printf 'app.id=Acme.%s\napp.name=%s\napp.version=%s\napp.vendor=Acme\napp.launcher=%s.exe\nlaunch.afterInstall=false\n' \
    "$name" "$name" "$1" "$name" > "$work/Windows_Pure_64_Bit/setup.settings"
  cp "$bin/setup_test_app.exe" "$work/app/$name.exe"
  echo "$1" > "$work/app/lib/core.jar"
  printf 'C:\\users\\%s\\Downloads\\Setup.exe\0' "$user" > "$work/sea_loc"
  setup="C:\\users\\$user\\Temp\\I$$$1\\Windows_Pure_64_Bit\\setup.exe"
}
capture() {
  import -window root "$out/$1-full.png"
  convert "$out/$1-full.png" -trim +repage "$out/$1$suffix.png"
  rm -f "$out/$1-full.png"
}
# waits until the dialog with this caption shows a message box text (control 65535)
wait_message() { until driver controls "title=$1" 2>/dev/null | tr -d '\r' | grep -q '^65535 1 .'; do sleep 0.2; done; }

wine "$folder\\uninstall.exe" --uninstall -i silent >/dev/null 2>&1 || true
layout 1.0
(cd "$work" && wine "$setup" -i silent >/dev/null 2>&1)

# The progress window, waiting while another setup of the application holds its lock.
SETUP_TEST_APP_MUTEX="Local\\Acme.$name.setup" SETUP_TEST_APP_STAY=6000 /usr/lib/wine/wine64 "$folder\\$name.exe" &
holder=$!
sleep 1
layout 1.1
(cd "$work" && wine "$setup" >/dev/null 2>&1) &
setup_run=$!
driver wait "title=$setup_title" 20000 >/dev/null
sleep 0.5
capture setup-progress
wait $holder || true
wait $setup_run || true

# The prompt naming the running application.
SETUP_TEST_APP_STAY=30000 /usr/lib/wine/wine64 "$folder\\$name.exe" &
running=$!
sleep 1
layout 1.2
(cd "$work" && wine "$setup" >/dev/null 2>&1) &
setup_run=$!
wait_message "$setup_title"
capture setup-running
driver click "title=$setup_title" 2 >/dev/null
wait $setup_run || true
kill $running 2>/dev/null || true
sleep 1

# The uninstall confirmation; Yes removes the application again.
wine "$folder\\uninstall.exe" --uninstall >/dev/null 2>&1 &
uninstall_run=$!
wait_message "$uninstall_title"
capture setup-uninstall
driver click "title=$uninstall_title" 6 >/dev/null
wait $uninstall_run || true
echo "written: $out/setup-progress$suffix.png $out/setup-running$suffix.png $out/setup-uninstall$suffix.png"
