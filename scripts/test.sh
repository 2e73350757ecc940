#!/usr/bin/env bash
# Runs every test: the host suite plainly and under both sanitizers, the PE
# checks of both DLLs, and the end-to-end tests of the 64-bit twin under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh

for preset in host host-tsan host-asan win32 win64; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
