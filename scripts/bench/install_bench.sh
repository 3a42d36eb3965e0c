#!/usr/bin/env bash
# An installing installer against a run-type one, side by side in one run, on the same payload
# (the tree of make_payload_tree.py, mixed and large, with a program that exits at once: the
# stand-in VM as the runtime's java.exe):
#   silent install            vs  run type: unpack, run, remove (-i silent)
#   installed application's start  vs  a run-type start (the same unpack, run, remove)
#   and the silent uninstall.
# Targets: install at most 1.3x the run type's unpack-and-run; the installed start at least 8x
# faster than a run-type start. x86-64 builds under Wine; medians of the rounds.
#   scripts/bench/install_bench.sh [MEGABYTES] [RUNS]     (default 100 and 3; after scripts/build.sh)
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
size_mb=${1:-100}
runs=${2:-3}
bin="$build/x64/tests/bin"
for f in "$bin/standin_vm.exe" "$dist/x64/ruvo.exe" "$dist/x64/quillrun.exe" "$dist/x64/quillsetup.exe" \
         "$dist/host/ruvo-pack"; do
  [ -e "$f" ] || { echo "missing $f: run scripts/build.sh first" >&2; exit 1; }
done
export VELMORA_WINEPREFIX="${VELMORA_WINEPREFIX:-$build/x64/bench-wineprefix}"
work="${BENCH_DIR:-$build/bench-install}"
app_id=Velmora.Bench.InstallBench
rm -rf "$work" && mkdir -p "$work"
trap '"$here/cmake/wine-prefix.sh" stop; rm -rf "$work"' EXIT
win() { echo "Z:${1//\//\\}"; }
run() { "$here/cmake/wine-run.sh" "$@"; }
now() { date +%s.%N; }
ms() { awk "BEGIN { print ($2 - $1) * 1000 }"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
"$here/cmake/wine-prefix.sh" start
temp="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/Temp"
uninstall_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$app_id"

# The silent uninstall as the Apps & features entry writes it.
quiet_uninstall() {
  local line
  line=$(run reg query "$uninstall_key" /v QuietUninstallString 2>/dev/null | tr -d '\r' |
         sed -n 's/^ *QuietUninstallString *REG_[A-Z_]* *//p')
  [ -n "$line" ] || return 1
  # The quoted program, then its arguments: cmd under Wine keeps the quotes of a command line
  # handed over from Linux.
  local program=${line#\"}; program=${program%%\"*}
  local -a arguments
  read -ra arguments <<<"${line:${#program}+2}"
  run "$program" "${arguments[@]}" > /dev/null 2>&1
}

declare -A result
for kind in mixed large; do
  echo "== ${size_mb} MB, $kind: building both installers"
  rm -rf "$work/in" "$work/runtime"
  /usr/bin/python3 "$here/scripts/bench/make_payload_tree.py" "$work/in" "$size_mb" $([ "$kind" = large ] && echo large)
  /usr/bin/python3 - "$work/in/bench-main.jar" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMain-Class: bench.Main\r\n\r\n")
    z.writestr("bench/Main.class", b"\xca\xfe\xba\xbe")
PY
  # The tree may hold programs at its top; the run type refuses those, so they move down a folder.
  find "$work/in" -maxdepth 1 -iname '*.exe' -exec sh -c 'mkdir -p "$0/bin" && mv "$1" "$0/bin/"' "$work/in" {} \;
  mkdir -p "$work/runtime/bin" && cp "$bin/standin_vm.exe" "$work/runtime/bin/java.exe"
  files=$(find "$work/in" -type f | wc -l)
  pack=("$dist/host/ruvo-pack" --input "$work/in" --main-jar bench-main.jar --name InstallBench
        --vendor Velmora --app-id "$app_id" --runtime-image "$work/runtime" --stub "$dist/x64/ruvo.exe"
        --launcher-dir "$dist/x64")
  "${pack[@]}" --type run --out "$work/Run.exe" 2>/dev/null
  "${pack[@]}" --out "$work/Install.exe" 2>/dev/null
  cat "$work/Run.exe" "$work/Install.exe" > /dev/null  # the same warm cache for both
  run_t=() install_t=() start_t=() uninstall_t=()
  for round in $(seq 0 "$runs"); do
    quiet_uninstall || true
    t0=$(now); run "$(win "$work/Run.exe")" -i silent > /dev/null 2>&1 || true; t1=$(now)
    code=0; t2=$(now); run "$(win "$work/Install.exe")" -i silent > /dev/null 2>&1 || code=$?; t3=$(now)
    [ "$code" = 0 ] || { echo "the install failed with $code" >&2; exit 1; }
    installed=$(find "$VELMORA_WINEPREFIX/drive_c" -path '*/Programs/InstallBench/InstallBench.exe' -print -quit)
    [ -n "$installed" ] || { echo "the install left no InstallBench.exe in a Programs folder" >&2; exit 1; }
    t4=$(now); run "$(win "$installed")" > /dev/null 2>&1 || true; t5=$(now)
    t6=$(now); quiet_uninstall || { echo "no QuietUninstallString under $uninstall_key" >&2; exit 1; }; t7=$(now)
    if [ -n "$(find "$temp" -mindepth 1 -maxdepth 1 -name 'I*' -print -quit 2>/dev/null)" ]; then
      echo "warning: an unpacked folder stayed in $temp" >&2
      find "$temp" -mindepth 1 -maxdepth 1 -name 'I*' -exec rm -rf {} +
    fi
    if [ "$round" -gt 0 ]; then  # round 0 only warms up
      run_t+=("$(ms "$t0" "$t1")") install_t+=("$(ms "$t2" "$t3")")
      start_t+=("$(ms "$t4" "$t5")") uninstall_t+=("$(ms "$t6" "$t7")")
    fi
  done
  result[$kind]="$files $(median "${run_t[@]}") $(median "${install_t[@]}") $(median "${start_t[@]}") $(median "${uninstall_t[@]}")"
done

printf '\n%d MB payloads, %d rounds each (medians, ms)\n' "$size_mb" "$runs"
printf '%-8s %7s | %12s %12s %7s | %12s %12s %7s | %10s\n' kind files "run: unpack" "install" "ratio" \
  "run: start" "installed" "faster" uninstall
for kind in mixed large; do
  read -r files t_run t_install t_start t_uninstall <<<"${result[$kind]}"
  printf '%-8s %7d | %12.0f %12.0f %6.2fx | %12.0f %12.0f %6.1fx | %10.0f\n' "$kind" "$files" "$t_run" "$t_install" \
    "$(awk "BEGIN { print $t_install / $t_run }")" "$t_run" "$t_start" "$(awk "BEGIN { print $t_run / $t_start }")" \
    "$t_uninstall"
done
echo "targets: install at most 1.30x the run type's unpack-and-run; installed start at least 8x faster"
printf 'load average at the end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
