#!/usr/bin/env bash
# Builds everything for every target and runs all tests. Installs what is
# missing first (as root), then prints one summary line; exits non-zero on
# any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh || exit 1

presets=(x86-linux x86-windows x64-linux x64-linux-sanitize x64-linux-tsan x64-linux-fuzz)
failed=()
start=$(date +%s)
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  if ! cmake --workflow --preset "$preset" --fresh; then
    failed+=("$preset")
  fi
done
elapsed=$(( $(date +%s) - start ))

if [ ${#failed[@]} -eq 0 ]; then
  echo "SUMMARY: all ${#presets[@]} presets built and passed their tests in ${elapsed}s (${presets[*]})"
else
  echo "SUMMARY: FAILED on ${failed[*]} (of ${presets[*]}) after ${elapsed}s"
  exit 1
fi
