#!/usr/bin/env bash
# scripts/setup.sh against a dependency cache and a Wine prefix made here, on which every step
# is already done except the libyaml cross-build, whose source folder is broken (no
# CMakeLists.txt). Set-up must stop with that step's name and leave the library link unmade.
# The control runs the same set-up with the old "command || status=$?" in timed: there the
# failure slips through to "setup complete", which shows the check can tell the two apart.
# dpkg-query is a stand-in that calls every package installed, so nothing touches the machine.
set -euo pipefail
repo=${1:?usage: setup_stops_test.sh REPOSITORY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_machine() { # folder: a checkout of the two scripts, a deps cache and a Wine prefix
  local m=$1 cache=$1/deps
  mkdir -p "$m/repo/scripts" "$m/bin" "$m/wine"
  cp "$repo/scripts/setup.sh" "$repo/scripts/common.sh" "$m/repo/scripts/"
  ln -s "$repo/cmake" "$m/repo/cmake"
  printf '#!/bin/sh\nprintf "install ok installed"\n' >"$m/bin/dpkg-query"
  chmod +x "$m/bin/dpkg-query"

  mkdir -p "$cache/apt/lists/partial" "$cache/apt/cache/archives/partial" "$cache/src/libyaml-9.9" "$cache/src/openssl-8.8"
  echo 'deb-src [trusted=yes] http://127.0.0.1/debian bookworm main' >"$cache/apt/sources.list"
  local pkg version
  for pkg in libyaml:9.9-1 openssl:8.8-1; do
    version=${pkg#*:} pkg=${pkg%%:*}
    printf 'Package: %s\nBinary: %s\nVersion: %s\nMaintainer: m <m@m>\nArchitecture: any\nFiles:\n 00000000000000000000000000000000 1 %s_%s.dsc\n\n' \
      "$pkg" "$pkg" "$version" "$pkg" "$version" \
      >>"$cache/apt/lists/127.0.0.1_debian_dists_bookworm_main_source_Sources"
    : >"$cache/src/${pkg}_$version.dsc"
  done
  mkdir -p "$cache/mingw64-libyaml-9.9-1-openssl-8.8-1/lib"
  : >"$cache/mingw64-libyaml-9.9-1-openssl-8.8-1/lib/libcrypto.a"

  echo '"CurrentMajorVersionNumber"=dword:0000000a' >"$m/wine/system.reg"
  mkdir -p "$m/wine/drive_c/windows/Fonts" && : >"$m/wine/drive_c/windows/Fonts/marlett.ttf"
  printf '"Segoe UI"="WenQuanYi Micro Hei"\n"Tahoma"="WenQuanYi Micro Hei"\n"Menu"="240 240 240"\n' \
    >"$m/wine/user.reg"
}

run_setup() { # folder -> exit code in $rc, output in $out
  local m=$1
  set +e
  out=$(PATH="$m/bin:$PATH" CORVALD_DEPS_CACHE="$m/deps" WINEPREFIX="$m/wine" \
    CORVALD_PHASE_LOG='' bash "$m/repo/scripts/setup.sh" 2>&1)
  rc=$?
  set -e
}

fail() { printf '%s\nexit %s, output:\n%s\n' "$1" "$rc" "$out"; exit 1; }

make_machine "$work/fixed"
run_setup "$work/fixed"
[ "$rc" -ne 0 ] || fail "set-up succeeded over a broken libyaml source"
grep -q 'set-up step "cross-building libyaml" failed' <<<"$out" || fail "the failing step is not named"
! grep -q 'setup complete' <<<"$out" || fail "set-up said it was complete"
[ ! -e "$work/fixed/deps/mingw64" ] || fail "the library link was made over a failed build"

make_machine "$work/control"
line='  "$@"'
grep -qxF "$line" "$work/control/repo/scripts/common.sh" || fail "control: timed has changed"
sed -i "s/^  \"\\\$@\"\$/  \"\$@\" || status=\$?/" "$work/control/repo/scripts/common.sh"
grep -qxF '  "$@" || status=$?' "$work/control/repo/scripts/common.sh" ||
  fail "control: could not put the old timed back"
run_setup "$work/control"
grep -q 'setup complete' <<<"$out" && [ -e "$work/control/deps/mingw64" ] ||
  fail "control: with the old timed the failure should have slipped through to the end"
echo "set-up stops at the failing cross-build; with the old timed it went on to 'setup complete'"
