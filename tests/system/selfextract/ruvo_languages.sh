#!/usr/bin/env bash
# The progress dialog in the user's language: an installer whose launcher cannot start shows its
# error panel, whose texts and direction are read back with the dialog driver; the buttons and
# the activity text carry the wording of the language's string table. Wine takes the interface
# language from the locale variables of the Linux process that starts it (the locale need not be
# generated), so each run is started from here.
#   ruvo_languages.sh DIST_X64_FOLDER TEST_BIN_FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")/../../.." && pwd)"
dist=$1
bin=$2
source "$here/cmake/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { echo "Z:${1//\//\\}"; }
driver() { /usr/lib/wine/wine64 "$bin/dialog_driver.exe" "$@" 2>/dev/null | tr -d '\r'; }

mkdir -p "$work/broken/Windows" "$work/tmp"
echo "no program" > "$work/broken/Windows/setup.exe"
echo "kiv.nl.java.launcher.main.class=a.B" > "$work/broken/Windows/setup.kiv"
/usr/lib/wine/wine64 "$dist/ruvo-pack.exe" --no-check --stub "$(win "$dist/ruvo.exe")" --out "$(win "$work/setup.exe")" \
  --level 0 "$(win "$work/broken")" >/dev/null 2>&1

status=0
strings="$here/selfextract/resources/strings"
check() {  # locale, string table (file name), ltr or rtl, main text, secondary text
  env LANG="$1" LC_ALL="$1" LC_MESSAGES="$1" LANGUAGE= /usr/lib/wine/wine64 cmd /c \
    "set TMP=$(win "$work/tmp")&& set TEMP=$(win "$work/tmp")&& $(win "$work/setup.exe")" >/dev/null 2>&1 &
  local ruvo=$! controls= layout=
  # The first start under a new locale can be slow while Wine sets the locale up.
  if driver wait title=Velmora 60000 >/dev/null; then
    for _ in $(seq 100); do
      controls=$(driver controls title=Velmora || true)
      grep -q '^1003 1' <<<"$controls" && layout=$(driver layout title=Velmora) && break
      sleep 0.2
    done
  fi
  # Whatever happened above, no dialog may stay open: it would hold this run and the next check.
  for _ in $(seq 150); do
    kill -0 $ruvo 2>/dev/null || break
    driver click title=Velmora 2 >/dev/null || true
    sleep 0.2
  done
  kill $ruvo 2>/dev/null || true
  wait $ruvo || true
  local main secondary
  main=$(sed -n 's/^1005 1 //p' <<<"$controls")
  secondary=$(sed -n 's/^10001 1 //p' <<<"$controls")
  if [ "$main" != "$4" ] || [ "$secondary" != "$5" ] || [ "$layout" != "$3" ]; then
    echo "FAIL $1: expected '$4' / '$5' ($3), got '$main' / '$secondary' ($layout)"
    status=1
  else
    echo "ok   $1: $main / $secondary ($layout)"
  fi
  # Cancel shown, Choose and the activity text hidden on this panel: their texts all the same.
  local pair name control expected got
  for pair in IDS_CANCEL:2 IDS_EXTRACTING:1007 IDS_CHOOSE:1010; do
    name=${pair%:*} control=${pair#*:}
    expected=$(sed -n "s/^ *$name \"\(.*\)\"\$/\1/p" "$strings/$2.rc")
    got=$(sed -n "s/^$control [01] //p" <<<"$controls")
    if [ -z "$expected" ] || [ "$got" != "$expected" ]; then
      echo "FAIL $1: control $control: expected '$expected' ($name of $2.rc), got '$got'"
      status=1
    fi
  done
}

check de_DE.UTF-8 de ltr "Das gewünschte Programm kann nicht ausgeführt werden." \
  "Besorgen Sie eine neue Kopie des Installationsprogramms und versuchen Sie es erneut."
check he_IL.UTF-8 he rtl "לא ניתן להפעיל את התוכנית המבוקשת." "השג עותק אחר של תוכנית ההתקנה ונסה שוב."
check ar_SA.UTF-8 ar_sa rtl "تعذر تشغيل البرنامج المطلوب." "احصل على نسخة أخرى من برنامج التثبيت وحاول مرة أخرى."
check en_US.UTF-8 en ltr "Unable to execute the desired program." "Please get another copy of the installer and try again."
# Regional variants take their language's table; a language that is not shipped gets English.
check fr_BE.UTF-8 fr ltr "Impossible d'exécuter le programme demandé." \
  "Obtenez une autre copie du programme d'installation et réessayez."
check vi_VN.UTF-8 en ltr "Unable to execute the desired program." "Please get another copy of the installer and try again."
exit $status
