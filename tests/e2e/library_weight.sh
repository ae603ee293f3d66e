#!/usr/bin/env bash
# usage: library_weight.sh NM LIBRARY
# Fails when the stub's own code calls into parts of the C++ library that weigh far more than
# what they do for it: std::filesystem and iostreams bring the whole locale machinery into a
# static Windows program (about 700 KB). Paths are text/path.hpp, files platform/file*.hpp.
set -euo pipefail
nm=$1
library=$2
listing=$("$nm" -C --undefined-only "$library")
[ -n "$listing" ] || { echo "no symbols read from $library" >&2; exit 1; }
heavy=$(grep -E ' U std::(filesystem::|(__cxx11::)?basic_(i|o|io|if|of|f|string)stream|locale::|codecvt)' \
          <<<"$listing" | sort -u || true)
if [ -n "$heavy" ]; then
  echo "the stub's code uses heavy parts of the C++ library:"
  echo "$heavy"
  exit 1
fi
echo "no std::filesystem, iostreams or locale in $(basename "$library")"
