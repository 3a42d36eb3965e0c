#!/usr/bin/env bash
# Extraction speed of the archive engine (x86-64 build under Wine, driven like the
# self-extractor) against minizip's miniunz.exe (built from Debian's source, run the same way
# under Wine), and Info-ZIP unzip and 7z, natively, on installer payloads of mixed and of large
# files. Prints MB/s, the ratios and peak memory.
#   scripts/bench/archive_bench.sh [MEGABYTES]     (default 220; needs scripts/build.sh first)
# BENCH_BASELINE=OTHER/alextract.exe also times another build of the engine (a copy kept from
# before a change) in the same run, for a before/after under the same load.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
size_mb=${1:-220}
alextract="$build/x64/tests/bin/alextract.exe"
packer="$dist/host/ruvo-pack"
miniunz="${VELMORA_THIRDPARTY:-/opt/velmora-thirdparty}/x86_64/bin/miniunz.exe"
baseline="${BENCH_BASELINE:-}"
for f in "$alextract" "$packer" "$miniunz" ${baseline:+"$baseline"}; do
  [ -e "$f" ] || { echo "missing $f: run scripts/build.sh first" >&2; exit 1; }
done
export VELMORA_WINEPREFIX="${VELMORA_WINEPREFIX:-$build/x64/bench-wineprefix}"
work="${BENCH_DIR:-$build/bench-archive}"
rm -rf "$work" && mkdir -p "$work"
trap '"$here/cmake/wine-prefix.sh" stop; rm -rf "$work"' EXIT

bench() {  # kind: mixed or large
  rm -rf "$work/tree" "$work/engine" "$work/baseline" "$work/miniunz" "$work/unzip" "$work/7z"
  echo "Building a ${size_mb} MB payload ($1)..."
  /usr/bin/python3 "$here/scripts/bench/make_payload_tree.py" "$work/tree" "$size_mb" "$1"
  stub="$dist/i686/ruvo.exe"
  [ -f "$stub" ] || { stub="$work/stub.exe"; { printf 'MZ'; head -c 741374 /dev/zero; } > "$stub"; }
  "$packer" --no-check --stub "$stub" --out "$work/Bench.exe" "$work/tree" 2>/dev/null
  files=$(find "$work/tree" -type f | wc -l)
  bytes=$(du -sb --apparent-size "$work/tree" | cut -f1)
  rm -rf "$work/tree"
  cat "$work/Bench.exe" > /dev/null  # the same warm cache for every extractor

  calc() { awk "BEGIN { print $* }"; }
  seconds() { calc "$2 - $1"; }
  now() { date +%s.%N; }

  t0=$(now)
  "$here/cmake/wine-run.sh" "$alextract" "Z:${work//\//\\}\\Bench.exe" "Z:${work//\//\\}\\engine" --stats \
    | tr -d '\r' > "$work/engine.log"
  mkdir -p "$work/miniunz"  # miniunz extracts into an existing folder only
  t1=$(now)
  "$here/cmake/wine-run.sh" "$miniunz" -x -o "Z:${work//\//\\}\\Bench.exe" -d "Z:${work//\//\\}\\miniunz" > /dev/null
  t4=$(now)
  if [ -n "$baseline" ]; then
    "$here/cmake/wine-run.sh" "$baseline" "Z:${work//\//\\}\\Bench.exe" "Z:${work//\//\\}\\baseline" --stats \
      | tr -d '\r' > "$work/baseline.log"
  fi
  t5=$(now)
  /usr/bin/time -f '%M' -o "$work/unzip.mem" unzip -q "$work/Bench.exe" -d "$work/unzip" 2>/dev/null || true
  t2=$(now)
  /usr/bin/time -f '%M' -o "$work/7z.mem" 7z x -bd -y "-o$work/7z" "$work/Bench.exe" > /dev/null
  t3=$(now)
  t_engine=$(seconds "$t0" "$t1"); t_miniunz=$(seconds "$t1" "$t4"); t_unzip=$(seconds "$t5" "$t2")
  t_7z=$(seconds "$t2" "$t3")
  sync

  grep -q "^result: $files\$" "$work/engine.log" || { echo "engine failed:"; cat "$work/engine.log"; exit 1; }
  diff -r "$work/engine" "$work/unzip" > /dev/null || { echo "engine output differs from unzip's"; exit 1; }
  diff -r "$work/miniunz" "$work/unzip" > /dev/null || echo "(miniunz's output differs from unzip's)"
  if [ -n "$baseline" ]; then
    grep -q "^result: $files\$" "$work/baseline.log" || { echo "baseline failed:"; cat "$work/baseline.log"; exit 1; }
    diff -r "$work/baseline" "$work/unzip" > /dev/null || { echo "baseline output differs from unzip's"; exit 1; }
  fi

  mb=$(calc "$bytes / 1048576")
  rate() { calc "$mb / $1"; }
  printf '\nPayload (%s): %d files, %.1f MB unpacked, %.1f MB installer file\n' "$1" "$files" "$mb" \
    "$(calc "$(stat -c %s "$work/Bench.exe") / 1048576")"
  printf '%-28s %8s %10s %14s\n' extractor seconds MB/s "peak memory"
  printf '%-28s %8.2f %10.1f %11s KB\n' "engine (x86-64, Wine)" "$t_engine" "$(rate "$t_engine")" \
    "$(sed -n 's/^peak-working-set-kb: //p' "$work/engine.log")"
  if [ -n "$baseline" ]; then
    t_baseline=$(seconds "$t4" "$t5")
    printf '%-28s %8.2f %10.1f %11s KB\n' "baseline engine" "$t_baseline" "$(rate "$t_baseline")" \
      "$(sed -n 's/^peak-working-set-kb: //p' "$work/baseline.log")"
  fi
  printf '%-28s %8.2f %10.1f\n' "miniunz (x86-64, Wine)" "$t_miniunz" "$(rate "$t_miniunz")"
  printf '%-28s %8.2f %10.1f %11s KB\n' "unzip (native)" "$t_unzip" "$(rate "$t_unzip")" "$(tail -1 "$work/unzip.mem")"
  printf '%-28s %8.2f %10.1f %11s KB\n' "7z (native)" "$t_7z" "$(rate "$t_7z")" "$(tail -1 "$work/7z.mem")"
  printf 'ratio engine/unzip speed: %.2f   engine/7z speed: %.2f   (target: engine/unzip >= 1.0)\n' \
    "$(calc "$t_unzip / $t_engine")" "$(calc "$t_7z / $t_engine")"
  printf 'ratio engine/miniunz speed: %.2f   (targets: >= 1.5 on large files, >= 3 on many small files)\n' \
    "$(calc "$t_miniunz / $t_engine")"
  [ -z "$baseline" ] || printf 'ratio baseline/miniunz speed: %.2f   engine/baseline speed: %.2f\n' \
    "$(calc "$t_miniunz / $t_baseline")" "$(calc "$t_baseline / $t_engine")"
  printf 'engine peak private bytes: %s KB (the payload is streamed, never held in memory)\n' \
    "$(sed -n 's/^peak-private-kb: //p' "$work/engine.log")"
}

"$here/cmake/wine-prefix.sh" start
bench mixed
bench large
