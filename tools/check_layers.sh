#!/usr/bin/env bash
# Fails when a source file includes from a folder of src/ that does not lie below its own.
# The folders, lowest first: common, signal, then decoding and link (side by side, neither
# includes the other), session, processes, sync, sdk. An interface lives with the component
# that calls it, so a lower folder never needs a higher one.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root/src"

rank() {
  case $1 in
    common) echo 0 ;;
    signal) echo 1 ;;
    decoding | link) echo 2 ;;
    session) echo 3 ;;
    processes) echo 4 ;;
    sync) echo 5 ;;
    sdk) echo 6 ;;
    *) echo -1 ;;
  esac
}

status=0
while IFS= read -r file; do
  here=${file%%/*}
  here_rank=$(rank "$here")
  if [ "$here_rank" -lt 0 ]; then
    echo "$file: folder '$here' has no place in the layer order"
    status=1
    continue
  fi
  while IFS=: read -r line there; do
    [ "$there" = "$here" ] && continue
    there_rank=$(rank "$there")
    if [ "$there_rank" -lt 0 ] || [ "$there_rank" -ge "$here_rank" ]; then
      echo "src/$file:$line includes from $there/, which does not lie below $here/"
      status=1
    fi
  done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$file" \
             | sed -E 's/^([0-9]+):.*"([^"/]+)\/$/\1:\2/')
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort)

if [ "$status" -eq 0 ]; then
  echo "layer order holds"
fi
exit "$status"
