#!/usr/bin/env bash
# Builds the native sanitizer/libFuzzer targets (fuzz/) and runs each for a given time.
#   scripts/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]      (default 60 s, every target)
# VELMORA_FUZZ_RUNS=N also ends a target after N executions (whichever limit comes first).
# Prints per target: executions, executions per second and findings (inputs that crashed,
# broke a rule, leaked, hung or ran out of memory; kept in <build>/artifacts/<target>/).
# Replay one:  <build>/fuzz_<target> <artifact>
# The corpus each target grows lives in <build>/corpus/<target>; fuzz/corpus/<target> holds
# the checked-in seeds. Exits with 1 when a target found something.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_FUZZ_BUILD_DIR:-$here/build-fuzz}"
seconds="${1:-60}"
runs="${VELMORA_FUZZ_RUNS:-}"
shift || true
usage() { echo "usage: [VELMORA_FUZZ_RUNS=N] $0 [SECONDS-PER-TARGET] [TARGET...]" >&2; exit 2; }
[[ "$seconds" =~ ^[0-9]+$ ]] || usage
[[ -z "$runs" || "$runs" =~ ^[0-9]+$ ]] || usage

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (scripts/setup.sh installs it)" >&2; exit 2; }
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$here/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$here"/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi
if ! cmake --build "$build" -j "${VELMORA_JOBS:-2}" --target "${targets[@]/#/fuzz_}" >"$build/build.log" 2>&1; then
  grep -E 'error|undefined reference' "$build/build.log" | head -20 >&2
  echo "fuzz.sh: the build failed; see $build/build.log" >&2
  exit 2
fi

# libFuzzer's artifacts that are findings. It also keeps "slow-unit-" inputs (one run over 10 s),
# which on a loaded machine are mostly stalls; hangs proper end as "timeout-" after -timeout.
findings_in() { find "$1" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l; }

status=0
printf '%-24s %12s %10s %9s %9s\n' target executions exec/s seconds findings
for target in "${targets[@]}"; do
  binary="$build/fuzz_$target"
  [ -x "$binary" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  before=$(findings_in "$artifacts")
  # -timeout: one input running this long counts as a hang; -rss_limit_mb bounds zip bombs.
  # The exit code is read from the artifacts: libFuzzer stops at the first finding.
  "$binary" -max_total_time="$seconds" ${runs:+-runs="$runs"} -print_final_stats=1 -timeout=25 -rss_limit_mb=2560 \
    -artifact_prefix="$artifacts/" "$corpus" "$here/fuzz/corpus/$target" >"$log" 2>&1 || true
  after=$(findings_in "$artifacts")
  findings=$((after - before))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if ! grep -q '^stat::number_of_executed_units' "$log"; then
    # A crash ends the run before the final statistics; the last status line has the count.
    executions=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    if [ "$findings" -eq 0 ]; then findings=1; fi
  fi
  spent=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -1)
  printf '%-24s %12s %10s %9s %9s\n' "$target" "${executions:-?}" "${rate:-?}" "${spent:-$seconds}" "$findings"
  if [ "$findings" -gt 0 ]; then
    status=1
    grep -m3 -E 'ERROR:|rule broken|runtime error|memory_files:|native build:' "$log" | sed 's/^/    /' || true
    echo "    log: $log"
  fi
done
exit $status
