#!/usr/bin/env bash
# Holds the #include lines of src/ to the order of rooms written in src/layers.txt: prints every
# include that reaches into a room above its own or beside it, and exits 1 when there is one.
# usage: check_layers.sh [source folder]   (default: src/ of this checkout)
set -euo pipefail
src=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/src}

# Every room with its level: 0 is the top line.
declare -A level
n=0
while read -r line; do
  line=${line%%#*}
  [ -z "${line// /}" ] && continue
  for room in $line; do level[$room]=$n; done
  n=$((n + 1))
done <"$src/layers.txt"

bad=0
while IFS= read -r -d '' file; do
  rel=${file#"$src"/}
  room=${rel%%/*}
  if [ -z "${level[$room]+set}" ]; then
    echo "$rel: room '$room' is not in layers.txt"
    bad=1
    continue
  fi
  while IFS=: read -r lineno target; do
    other=${target%%/*}
    [ "$other" = "$target" ] && continue          # no room named: generated or local header
    [ "$other" = "$room" ] && continue
    if [ -z "${level[$other]+set}" ]; then
      echo "$rel:$lineno: includes \"$target\" from room '$other', which is not in layers.txt"
      bad=1
    elif [ "${level[$other]}" -le "${level[$room]}" ]; then
      echo "$rel:$lineno: includes \"$target\": room '$other' is not below '$room'"
      bad=1
    fi
  done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ {
                  t = $0; sub(/^[^"]*"/, "", t); sub(/".*/, "", t); print FNR ":" t }' "$file")
done < <(find "$src" -mindepth 2 \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) \
           ! -name '*_test.cpp' ! -name '*_test_support.hpp' ! -path '*/test/*' -print0)
exit $bad
