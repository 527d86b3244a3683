#!/usr/bin/env bash
# Long fuzz campaigns: builds the x64-linux-fuzz preset, then runs each
# harness (or those named) for a number of executions, one after the other,
# at the lowest priority so that the machine stays usable. New inputs go to
# build/x64-linux-fuzz/long/<harness>; crashes are written there as well.
# Keep a crash's input as a regression: copy it into fuzz/corpus/<harness>/.
#
#   scripts/fuzz-long.sh [-n EXECUTIONS] [harness...]   (default: 10000000, all)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
if [ "${1:-}" = "-n" ]; then runs=$2; shift 2; fi
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(drift_fuzzer chorus_fuzzer)

cmake --preset x64-linux-fuzz >/dev/null
cmake --build --preset x64-linux-fuzz --target "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for harness in "${harnesses[@]}"; do
  work=build/x64-linux-fuzz/long/$harness
  mkdir -p "$work/corpus"
  echo "=== $harness: $runs executions (log: $work/run.log) ==="
  nice -n 19 "build/x64-linux-fuzz/bin/$harness" -runs="$runs" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$harness" >"$work/run.log" 2>&1 || {
    if compgen -G "$work/crash-*" >/dev/null || compgen -G "$work/leak-*" >/dev/null ||
       compgen -G "$work/timeout-*" >/dev/null || compgen -G "$work/oom-*" >/dev/null; then
      echo "$harness found something; see $work/run.log and the input saved beside it" >&2
    else
      echo "$harness stopped early without a finding; see $work/run.log" >&2
    fi
    grep -E 'stat::number_of_executed_units' "$work/run.log" >&2 || true
    exit 1
  }
  grep -E 'stat::number_of_executed_units|Done' "$work/run.log"
done
