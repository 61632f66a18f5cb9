#!/usr/bin/env bash
# Installs what is missing, builds all three presets and runs every test tier through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# One ctest run over both test trees, so that one summary line closes the output.
status=0
ctest --test-dir build/native --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/win64 --output-on-failure || status=1
exit $status
