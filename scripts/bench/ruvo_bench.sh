#!/usr/bin/env bash
# What the self-extractor adds to the archive engine's own extraction: one installer of about
# 200 MB (mixed content, the stand-in VM as its launcher) is unpacked in turns by the engine
# alone (alextract, whole run) and by a silent ruvo run timed from its start to the launcher's
# start (the stand-in's stamp).
# Both are x86-64 builds under Wine. Prints medians and the overhead (target: below 10%).
#   scripts/bench/ruvo_bench.sh [MEGABYTES] [RUNS]     (default 200 and 3; after scripts/build.sh)
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
size_mb=${1:-200}
runs=${2:-3}
bin="$build/x64/tests/bin"
for f in "$bin/alextract.exe" "$bin/standin_vm.exe" "$dist/x64/ruvo.exe" \
         "$dist/x64/ruvo-pack.exe"; do
  [ -e "$f" ] || { echo "missing $f: run scripts/build.sh first" >&2; exit 1; }
done
export VELMORA_WINEPREFIX="${VELMORA_WINEPREFIX:-$build/x64/bench-wineprefix}"
work="${BENCH_DIR:-$build/bench-ruvo}"
rm -rf "$work" && mkdir -p "$work/tmp"
trap '"$here/cmake/wine-prefix.sh" stop; rm -rf "$work"' EXIT
win() { echo "Z:${1//\//\\}"; }
run() { "$here/cmake/wine-run.sh" "$@"; }

echo "Building a ${size_mb} MB installer..."
/usr/bin/python3 "$here/scripts/bench/make_payload_tree.py" "$work/tree" "$size_mb"
mkdir -p "$work/tree/Windows"
cp "$bin/standin_vm.exe" "$work/tree/Windows/Bench.exe"
echo "kiv.nl.java.launcher.main.class=com.example.Main" > "$work/tree/Windows/Bench.kiv"
"$here/cmake/wine-prefix.sh" start
run "$dist/x64/ruvo-pack.exe" --no-check --stub "$(win "$dist/x64/ruvo.exe")" --out "$(win "$work/Bench.exe")" \
  "$(win "$work/tree")" 2>/dev/null
files=$(find "$work/tree" -type f | wc -l)
bytes=$(du -sb --apparent-size "$work/tree" | cut -f1)
rm -rf "$work/tree"
cat "$work/Bench.exe" > /dev/null  # the same warm cache for both

now() { date +%s.%N; }
# Rounds take turns so that both see the same load; round 0 only warms up. Both write into
# fresh folders: the engine into an empty one, ruvo into a new working directory.
time_engine() {
  t0=$(now)
  run "$bin/alextract.exe" "$(win "$work/Bench.exe")" "$(win "$work/engine")" | tr -d '\r' > "$work/engine.log"
  t1=$(now)
  grep -q "^result: $files\$" "$work/engine.log" || { echo "engine failed:"; cat "$work/engine.log"; exit 1; }
}
time_ruvo() {  # the stand-in launcher notes its start (FILETIME) in the stamp file
  t2=$(now)
  run cmd /c "set TMP=$(win "$work/tmp")&& set TEMP=$(win "$work/tmp")&& set STANDIN_STAMP=$(win "$work/stamp.txt")&& \
$(win "$work/Bench.exe") -i silent" > /dev/null
  stamp=$(tr -d '\r\n' < "$work/stamp.txt")
  [ "$(find "$work/tmp" -type f | wc -l)" = $((files + 1)) ] || { echo "ruvo did not unpack every file" >&2; exit 1; }
}
engine_times=() self_times=()
for round in $(seq 0 "$runs"); do
  rm -rf "$work/engine" "$work/tmp"/* "$work/stamp.txt"
  # Odd rounds start with ruvo, even ones with the engine: neither always runs second.
  if [ $((round % 2)) = 1 ]; then time_ruvo; time_engine; else time_engine; time_ruvo; fi
  if [ "$round" -gt 0 ]; then
    engine_times+=("$(awk "BEGIN { print ($t1 - $t0) * 1000 }")")
    self_times+=("$(awk "BEGIN { print ($stamp / 10000000 - 11644473600 - $t2) * 1000 }")")
  fi
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
t_engine=$(median "${engine_times[@]}")
t_self=$(median "${self_times[@]}")
mb=$(awk "BEGIN { print $bytes / 1048576 }")
printf '\nInstaller: %d files, %.1f MB unpacked, %.1f MB file, %d runs each\n' "$files" "$mb" \
  "$(awk "BEGIN { print $(stat -c %s "$work/Bench.exe") / 1048576 }")" "$runs"
printf '%-44s %10s %8s\n' "" "median ms" "MB/s"
printf '%-44s %10.0f %8.1f\n' "engine alone (alextract, whole run)" "$t_engine" "$(awk "BEGIN { print $mb / $t_engine * 1000 }")"
printf '%-44s %10.0f %8.1f\n' "ruvo -i silent, start to launcher start" "$t_self" "$(awk "BEGIN { print $mb / $t_self * 1000 }")"
ratios=()
for i in "${!self_times[@]}"; do ratios+=("$(awk "BEGIN { print ${self_times[$i]} / ${engine_times[$i]} }")"); done
printf 'per round (ruvo / engine): %s\n' "${ratios[*]}"
printf 'self-extractor overhead: %+.1f%% of the engine time, median of the rounds (target: below 10%%)\n' \
  "$(awk "BEGIN { print ($(median "${ratios[@]}") - 1) * 100 }")"
printf 'load average at the end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
