#!/usr/bin/env bash
# Prints the release exe's sections and size, and fails if the file is larger than LIMIT bytes.
#
#   exe_size.sh EXE LIMIT
set -euo pipefail
exe=${1:?usage: exe_size.sh EXE LIMIT}
limit=${2:?usage: exe_size.sh EXE LIMIT}
i686-w64-mingw32-objdump -h "$exe" | while read -r idx name size _; do
  if [[ $idx =~ ^[0-9]+$ ]]; then printf '%-10s %8d bytes\n' "$name" "$((16#$size))"; fi
done
size=$(stat -c %s "$exe")
echo "file       $size bytes (limit $limit)"
if ((size > limit)); then
  echo "exe_size: FAIL: $exe is $size bytes, above $limit" >&2
  exit 1
fi
