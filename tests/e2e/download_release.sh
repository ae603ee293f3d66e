#!/usr/bin/env bash
# download_release.sh DIR SIZE NAME
# Writes the release the download tests fetch: SIZE bytes that repeat nowhere (AES-CTR of
# zeros under a fixed key), so a range written at the wrong offset cannot pass for the right
# bytes, and the same on every run, so a failure can be looked at again.
set -euo pipefail
dir=${1:?usage: download_release.sh DIR SIZE NAME}
size=${2:?usage: download_release.sh DIR SIZE NAME}
name=${3:?usage: download_release.sh DIR SIZE NAME}
mkdir -p "$dir"
# The devserver serves the one file of the folder.
find "$dir" -mindepth 1 -maxdepth 1 -type f ! -name "$name" -delete
if [[ -f $dir/$name && $(stat -c %s "$dir/$name") == "$size" ]]; then
  exit 0
fi
openssl enc -aes-128-ctr -nosalt -K 436f7276616c642054617672696e2031 -iv 0 -in /dev/zero 2>/dev/null |
  head -c "$size" >"$dir/$name.tmp" || true
[[ $(stat -c %s "$dir/$name.tmp") == "$size" ]] || { echo "could not write $size bytes" >&2; exit 1; }
mv "$dir/$name.tmp" "$dir/$name"
