#!/usr/bin/env bash
# Builds everything and runs every test: the native build, then the 32-bit
# Windows build with its tests under Wine. Both run even when the first
# fails, so that one run shows every failure.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
failed=()
for preset in default win32; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset" || failed+=("$preset")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Tests failed in: ${failed[*]}" >&2
    exit 1
fi
