#!/bin/bash
# Runs a command with the Wine prefix at a display scale other than 100 %, and restores the
# prefix after, whatever the outcome; the command's exit code is this script's. For the
# scenarios of the window at 125, 150 and 200 % and the demo's picture at 150 %.
#   with_display_scale.sh DPI COMMAND [ARGUMENTS...]
#
# Wine 8 takes the system DPI, which it gives every DPI-aware program, from LogPixels under
# HKCU\Control Panel\Desktop, and where that is missing from LogPixels under HKEY_CURRENT_CONFIG
# \Software\Fonts (HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts), which
# its font code also reads; both are set. Wine reads them when a process starts, and its virtual
# desktop takes its size when the server starts, so the server is restarted around the run: on
# an X display of its own, as much larger than 1024x768 as the scale, so that the window has the
# same room as at 100 % (at 200 % it would not fit 1024x768).
set -u
dpi=$1
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"

desktop='HKEY_CURRENT_USER\Control Panel\Desktop'
fonts='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'
desktops='HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops'
work=$(mktemp -d)

value_of() { # key name -> the value's data as reg prints it, empty when absent
  "$wine" reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' |
    awk -v n="$2" '$1 == n { print $3 }'
}
dword() { # 0x.. or empty -> a .reg data item that sets or deletes the value
  if [ -n "$1" ]; then printf 'dword:%08x' "$(($1))"; else printf -- '-'; fi
}
text() { # text or empty -> a .reg data item that sets or deletes the value
  if [ -n "$1" ]; then printf '"%s"' "$1"; else printf -- '-'; fi
}
write_reg() { # file, then the items of the two LogPixels and of the desktop size
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"LogPixels"=%s\r\n\r\n[%s]\r\n"LogPixels"=%s\r\n\r\n[%s]\r\n"Default"=%s\r\n' \
    "$desktop" "$2" "$fonts" "$3" "$desktops" "$4" >"$1"
}
import() { "$wine" reg import "Z:${1//\//\\}" </dev/null >/dev/null 2>&1; }

old_desktop=$(value_of "$desktop" LogPixels)
old_fonts=$(value_of "$fonts" LogPixels)
old_size=$(value_of "$desktops" Default)
width=$((1024 * dpi / 96)) height=$((768 * dpi / 96))
write_reg "$work/scaled.reg" "$(dword "$dpi")" "$(dword "$dpi")" "$(text "${width}x${height}")"
write_reg "$work/restore.reg" "$(dword "$old_desktop")" "$(dword "$old_fonts")" \
  "$(text "$old_size")"

test_display=${DISPLAY:-}
restore() {
  import "$work/restore.reg"
  end_wine
  export DISPLAY=$test_display
  if [ -n "$test_display" ]; then prepare_wine; fi
  rm -rf "$work"
}
trap restore EXIT

import "$work/scaled.reg" || { echo "FAILED: could not set the scale"; exit 1; }
prepare_wine own "${width}x${height}"
timeout 240 "$@" </dev/null
