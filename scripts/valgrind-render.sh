#!/usr/bin/env bash
# Renders a few seconds of each module through oxhost under valgrind, at odd
# rates and block sizes, with controls far outside their ranges and changes
# while running; any memory error or leak fails the script. Uses the
# x64-linux build (built when missing). (Closing with events still queued is
# the hostile input test's, under the sanitizers: oxhost sends each block's
# events with that block.)
#
#   scripts/valgrind-render.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/x64-linux}
[ -x "$build/bin/oxhost" ] || { cmake --preset x64-linux >/dev/null && cmake --build --preset x64-linux --target oxhost drift chorus; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

check() {
  echo "--- valgrind oxhost $*"
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
    "$build/bin/oxhost" "$@" >/dev/null
}

"$build/bin/oxhost" generate pluck-chord -o "$out/chord.wav" --seconds 1 >/dev/null
check render "$build/lib/chorus.so" -i "$out/chord.wav" -o "$out/chorus.wav" --block 441 \
  --set Mod1Wave=Triangle --at 0.5 "PreDly1(ms)=1e9" --at 0.7 "13=-1e9" --at 0.9 Wet=0
check render "$build/lib/chorus.so" -i "$out/chord.wav" -o "$out/external.wav" --block 1 --seconds 0.2 \
  --set "Modulation Mode=External Source" --at 0.1 "On|Off=OFF" --at 0.15 "On|Off=ON"
check render "$build/lib/drift.so" -o "$out/drift.wav" --seconds 2 --rate 384000 --block 8192 \
  --set Active=ON --set "Analogue Drift Depth=10" --set "Analogue Drift Rate(s)=1/100" --at 1 Active=OFF
check render "$build/lib/drift.so" -o "$out/drift-1hz.wav" --seconds 40 --rate 1 --block 3 \
  --set Active=ON --set "Analogue Drift Depth=1e30" --set "Update Output Rate=64"
echo "valgrind: no memory error and no leak in any render"
