#!/usr/bin/env bash
# The main job: builds the module libraries for every target and lists them.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
for preset in x86-linux x86-windows x64-linux; do
  cmake --preset "$preset" -DOX_BUILD_TESTS=OFF >/dev/null
  cmake --build --preset "$preset" --target drift chorus >/dev/null
done
echo "Built module libraries:"
for f in build/*/lib/*.so build/*/bin/*.dll; do
  [ -e "$f" ] && printf '  %-40s %s\n' "$f" "$(file -b "$f" | cut -d, -f1-2)"
done
