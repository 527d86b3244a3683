#!/usr/bin/env bash
# The main job: builds the module libraries and the oxhost tool (32-bit Linux,
# the shipping word size), then renders the demo into demo/: a plucked chord
# through the chorus at its defaults and with automated controls, and a minute
# of the drift output at full depth with its plot. Prints what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
# A build tree of its own, so that the developers' trees keep their settings.
build=build/main-job
cmake --preset x86-linux -B "$build" -DOX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target drift chorus oxhost >/dev/null

oxhost="$build/bin/oxhost"
chorus="$build/lib/chorus.so"
drift="$build/lib/drift.so"
mkdir -p demo

"$oxhost" generate pluck-chord -o demo/pluck-chord.wav --seconds 6
"$oxhost" render "$chorus" -i demo/pluck-chord.wav -o demo/chorus-defaults.wav
# Automation: deeper, slower sweeps on triangle waves after 2 s, fully wet
# with a narrower image after 4 s.
"$oxhost" render "$chorus" -i demo/pluck-chord.wav -o demo/chorus-automated.wav \
  --at 2 "MaxDelay1(ms)=8" --at 2 "Rate1(Hz)=0.25" --at 2 Mod1Wave=Triangle --at 2 Mod2Wave=Triangle \
  --at 4 Wet=10 --at 4 Dry=4 --at 4 Spread=5
"$oxhost" render "$drift" -o demo/drift.wav --seconds 60 \
  --set "Analogue Drift Depth=10" --set Active=ON --plot demo/drift.png --csv demo/drift.csv

echo "Wrote:"
for f in demo/pluck-chord.wav demo/chorus-defaults.wav demo/chorus-automated.wav demo/drift.wav demo/drift.png demo/drift.csv; do
  printf '  %-28s %s\n' "$f" "$(file -b "$f" | cut -d, -f1-3)"
done
