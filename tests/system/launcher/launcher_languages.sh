#!/usr/bin/env bash
# The error line in the user's language. Wine takes the interface language from the locale
# variables of the Linux process that starts it, so each run is started from here.
#   launcher_languages.sh QUILLRUN.EXE
set -euo pipefail
here="$(cd "$(dirname "$0")/../../.." && pwd)"
exe=$1
source "$here/cmake/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/setup.exe"

status=0
check() {  # locale, expected line
  local got
  got=$(cd "$work" && LANG=$1 LC_ALL=$1 LC_MESSAGES=$1 LANGUAGE= /usr/lib/wine/wine64 setup.exe 2>&1 >/dev/null |
        grep -v -e '^fixme:' -e '^err:' || true)
  if [ "$got" != "$2" ]; then
    echo "FAIL $1: expected '$2', got '$got'"
    status=1
  else
    echo "ok   $1: $got"
  fi
}

check de_DE.UTF-8 "Quillrun-Fehler: Die Quillrun-Eigenschaftendatei fehlt"
check ja_JP.UTF-8 "Quillrun エラー: Quillrun プロパティ ファイルが見つかりません"
check ru_RU.UTF-8 "Ошибка Quillrun: Отсутствует файл свойств Quillrun"
check pt_BR.UTF-8 "Erro do Quillrun: O arquivo de propriedades do Quillrun está ausente"
check fr_CA.UTF-8 "Erreur Quillrun: Le fichier de propriétés Quillrun est manquant"
# The Arabic table has neither text: the line falls back to English rather than failing.
check ar_SA.UTF-8 "Quillrun Error: The Quillrun properties file is missing"
check en_US.UTF-8 "Quillrun Error: The Quillrun properties file is missing"
exit $status
