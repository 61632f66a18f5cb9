#!/usr/bin/env bash
# Passes ctest's output through and, just before its summary line, prints the 32-bit tier's
# time: the sum of the times of its tests (win32rt.*, e2e32.*) from ctest's log of the run.
#
#   ctest --test-dir DIR ... | tier_time.sh DIR
set -uo pipefail
dir=${1:?usage: tier_time.sh CTEST_DIR}/Testing/Temporary
while IFS= read -r line; do
  # ctest writes the log of the run under way to LastTest.log.tmp and renames it at the end.
  log=$(ls -t "$dir/LastTest.log.tmp" "$dir/LastTest.log" 2>/dev/null | head -n1)
  if [[ $line == *"% tests passed"* ]] && [ -n "$log" ]; then
    awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
         /^Test time = / && name ~ /^(win32rt|e2e32)\./ { n++; t += $4 }
         END { if (n) printf "32-bit tier: %d tests, %.0f s\n", n, t }' "$log"
  fi
  printf '%s\n' "$line"
done
