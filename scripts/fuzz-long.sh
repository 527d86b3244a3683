#!/usr/bin/env bash
# Long fuzz campaigns: builds the x64-linux-fuzz preset, then runs each
# harness (or those named) for a number of executions, one harness after the
# other, at the lowest priority so that the machine stays usable. With -j,
# that many workers share a harness's executions and its corpus, one process
# each. New inputs go to build/x64-linux-fuzz/long/<harness>/corpus; crashes
# are written beside it. Keep a crash's input as a regression: copy it into
# fuzz/corpus/<harness>/.
#
#   scripts/fuzz-long.sh [-n EXECUTIONS] [-j WORKERS] [harness...]
#   (defaults: 10000000 executions, 1 worker, all harnesses)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
workers=1
while [ $# -gt 0 ]; do
  case $1 in
    -n) runs=$2; shift 2 ;;
    -j) workers=$2; shift 2 ;;
    *) break ;;
  esac
done
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(drift_fuzzer chorus_fuzzer)

cmake --preset x64-linux-fuzz >/dev/null
cmake --build --preset x64-linux-fuzz --target "${harnesses[@]}"

# A quarantine of 16 MB instead of 256 MB: freed memory stays poisoned for
# several executions' worth of frees, which still shows a use after free in
# any script, while the allocator reuses pages already mapped instead of
# asking the kernel for fresh ones (a quarter of the chorus's time).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:quarantine_size_mb=16
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Runs worker $2 of harness $1 for $3 executions; its log is $work/run.$2.log.
run_worker() {
  local harness=$1 worker=$2 count=$3 work=build/x64-linux-fuzz/long/$1
  nice -n 19 "build/x64-linux-fuzz/bin/$harness" -runs="$count" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$harness" >"$work/run.$worker.log" 2>&1
}

executed() { grep -h 'stat::number_of_executed_units' "$@" 2>/dev/null | awk '{ total += $2 } END { print total + 0 }'; }

for harness in "${harnesses[@]}"; do
  work=build/x64-linux-fuzz/long/$harness
  mkdir -p "$work/corpus"
  rm -f "$work"/run.*.log
  echo "=== $harness: $runs executions over $workers worker(s) (logs: $work/run.N.log) ==="
  pids=()
  for ((worker = 1; worker <= workers; ++worker)); do
    share=$((runs / workers + (worker <= runs % workers ? 1 : 0)))
    run_worker "$harness" "$worker" "$share" &
    pids+=($!)
  done
  failed=0
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  echo "$harness: $(executed "$work"/run.*.log) executions"
  if [ $failed -ne 0 ]; then
    if compgen -G "$work/crash-*" >/dev/null || compgen -G "$work/leak-*" >/dev/null ||
       compgen -G "$work/timeout-*" >/dev/null || compgen -G "$work/oom-*" >/dev/null; then
      echo "$harness found something; see $work/run.*.log and the input saved beside it" >&2
    else
      echo "$harness stopped early without a finding; see $work/run.*.log" >&2
    fi
    exit 1
  fi
done
