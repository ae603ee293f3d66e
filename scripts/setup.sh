#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine (as root),
# cross-builds libyaml and OpenSSL's libcrypto for x86_64-w64-mingw32 into a cache outside the
# checkout, and prepares a Wine prefix under the build folder. Safe to run again: every step
# checks whether its result is already there.
#
# A command that fails stops set-up where it failed, with the name of its step: going on would
# only turn the failure into a confusing build error later. errtrace carries the trap into
# functions and the background steps, inherit_errexit carries errexit into $(...).
set -eEuo pipefail
shopt -s inherit_errexit

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"

step=starting
begin() { step=$1; } # the name a failure inside this step is reported under
trap 'status=$?; printf "error: set-up step \"%s\" failed: %s (exit %s)\n" "$step" "$BASH_COMMAND" "$status" >&2; exit "$status"' ERR

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format make perl dpkg-dev ca-certificates
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb x11-apps nsis imagemagick fonts-wqy-microhei fonts-wine
  libyaml-dev libssl-dev googletest libcpp-httplib-dev
  curl aria2 openssl bc unzip python3
  osslsigncode sbsigntool diffoscope-minimal nodejs node-spdx-expression-parse
)

install_packages() {
  begin "installing Debian packages"
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  begin "updating the package lists"
  apt-get update -qq
  begin "installing Debian packages"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# A private apt state with a deb-src list of our own, derived from the system's sources, so
# that 'apt-get source' works without touching the system's apt configuration or lists.
private_apt() {
  local state=$deps_cache/apt
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
  local list=$state/sources.list
  if [ ! -s "$list" ]; then
    local uri keyring
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    keyring=$(awk '/^Signed-By:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    uri=${uri:-http://deb.debian.org/debian}
    keyring=${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}
    echo "deb-src [signed-by=$keyring] $uri bookworm main" > "$list"
  fi
  apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=/dev/null
            -o Dir::Etc::sourcelist="$list" -o Dir::State::Lists="$state/lists"
            -o Dir::Cache="$state/cache" -o APT::Sandbox::User=root)
  if [ -z "$(ls "$state/lists" | grep -i sources || true)" ]; then
    begin "updating the source package lists"
    apt-get "${apt_opts[@]}" update -qq
  fi
}

# The libraries' place in the cache, named after the versions of their source packages.
deps_prefix=
find_deps_prefix() {
  begin "reading the source package versions"
  private_apt
  local yv ov
  yv=$(source_version libyaml); ov=$(source_version openssl)
  [ -n "$yv" ] && [ -n "$ov" ] || die "cannot find the libyaml and openssl source packages"
  deps_prefix=$deps_cache/mingw64-libyaml-$yv-openssl-$ov
}
deps_built() { [ -f "$deps_prefix/lib/libyaml.a" ] && [ -f "$deps_prefix/lib/libcrypto.a" ]; }

# Downloading needs nothing that the package install brings, so it runs beside it; unpacking
# (dpkg-source, from dpkg-dev) comes after.
download_sources() {
  begin "downloading the source packages"
  find_deps_prefix
  deps_built && return 0
  local pkg work=$deps_cache/src
  mkdir -p "$work"
  for pkg in libyaml openssl; do
    ls "$work/${pkg}_"*.dsc >/dev/null 2>&1 && continue
    (cd "$work" && apt-get "${apt_opts[@]}" source --download-only -qq "$pkg" >/dev/null 2>&1) \
      || die "could not fetch the source package $pkg"
  done
}

# Sets source_dir rather than printing it: a step run inside $(...) as an argument would lose
# its failure, and the build would start on an empty path.
source_dir=
unpack_source() { # package
  local pkg=$1 work=$deps_cache/src dsc
  begin "unpacking the source package $pkg"
  source_dir=$(find "$work" -maxdepth 1 -type d -name "$pkg-*" | head -n1)
  if [ -z "$source_dir" ]; then
    dsc=$(ls "$work/${pkg}_"*.dsc 2>/dev/null | head -n1 || true)
    [ -n "$dsc" ] && (cd "$work" && dpkg-source --no-check -x "$dsc" >/dev/null 2>&1) \
      || die "could not unpack the source package $pkg"
    source_dir=$(find "$work" -maxdepth 1 -type d -name "$pkg-*" | head -n1)
  fi
  [ -n "$source_dir" ] || die "the source package $pkg unpacked into no folder"
}

source_version() { # package -> version of the source in the private lists, empty when unknown
  { apt-cache "${apt_opts[@]}" showsrc "$1" 2>/dev/null || true; } |
    awk '/^Version:/ && !v { v = $2 } END { print v }'
}

build_libyaml() {
  local src=$1 prefix=$2
  [ -f "$prefix/lib/libyaml.a" ] && return 0
  begin "cross-building libyaml"
  say "$step"
  local b=$deps_cache/build-libyaml
  rm -rf "$b"
  cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    -DINSTALL_CMAKE_DIR=lib/cmake/yaml -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$b" >/dev/null
  cmake --install "$b" >/dev/null
  rm -rf "$b"
}

build_openssl() {
  local src=$1 prefix=$2
  [ -f "$prefix/lib/libcrypto.a" ] && return 0
  begin "cross-building OpenSSL libcrypto"
  say "$step (about two minutes)"
  local b=$deps_cache/build-openssl
  rm -rf "$b" && cp -a "$src" "$b"
  (cd "$b" && ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- \
      no-shared no-tests no-engine no-dso --prefix="$prefix" --libdir=lib >/dev/null \
    && make -s -j"$(nproc)" build_libs >/dev/null 2>&1) || die "OpenSSL cross-build failed"
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$b/libcrypto.a" "$prefix/lib/"
  cp -r "$b/include/openssl" "$prefix/include/"
  rm -rf "$b"
}

cross_deps() {
  find_deps_prefix
  # Set-ups of two checkouts share the cache: they take turns, or one would delete the build
  # folder the other is compiling in.
  begin "waiting for the dependency cache"
  exec {cache_lock}>"$deps_cache/.cross-build.lock"
  flock -n "$cache_lock" || { say "waiting for another set-up's cross-builds"; flock "$cache_lock"; }
  if ! deps_built; then
    unpack_source libyaml
    build_libyaml "$source_dir" "$deps_prefix"
    unpack_source openssl
    build_openssl "$source_dir" "$deps_prefix"
  fi
  begin "linking the cross-built libraries"
  ln -sfn "$deps_prefix" "$deps_cache/mingw64"
}

wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  begin "creating the Wine prefix"
  say "$step $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1 || true
  "$wineserver" -w
  [ -f "$WINEPREFIX/system.reg" ] || die "wineboot did not create $WINEPREFIX"
}

# The stub's users run Windows 10 and 11, and the stub takes other paths on older systems (the
# proxy mode, the DLL directories, the version it reports); a new prefix says Windows 7.
wine_windows10() {
  grep -q '"CurrentMajorVersionNumber"=dword:0000000a' "$WINEPREFIX/system.reg" 2>/dev/null &&
    return 0
  begin "setting the Wine prefix to Windows 10"
  say "$step"
  "$wine" winecfg -v win10 >/dev/null 2>&1
  "$wine" reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' \
      /v CurrentMajorVersionNumber 2>/dev/null | grep -q 0xa \
    || die "could not set the Wine prefix to Windows 10"
}

# Windows drawn the way users see them: a virtual desktop in which Wine draws the frames and
# captions itself (a bare X server has no window manager to do it), shared by every program of
# the prefix; a stand-in for "Segoe UI" and Tahoma that has Latin, accented and CJK letters;
# and the Windows 10 default face colour for menus and buttons (Wine's own theme has white
# menus, which would set the window background apart from the labels drawn on it); and Marlett,
# the font of the caption buttons' symbols (without it they read "0 1 r"), which Debian's Wine
# looks for beside the system's fonts rather than where fonts-wine puts it.
marlett=/usr/share/wine/fonts/marlett.ttf
wine_desktop_ready() {
  [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] &&
    grep -q '"Segoe UI"="WenQuanYi Micro Hei"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -q '"Tahoma"="WenQuanYi Micro Hei"' "$WINEPREFIX/user.reg" &&
    grep -q '"Menu"="240 240 240"' "$WINEPREFIX/user.reg"
}
reg_set() { # key name value
  "$wine" reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1
}
wine_desktop() {
  wine_desktop_ready && return 0
  begin "setting up the Wine desktop, fonts and colours"
  say "$step"
  local colours='HKCU\Control Panel\Colors'
  reg_set 'HKCU\Software\Wine\Explorer' Desktop Default
  reg_set 'HKCU\Software\Wine\Explorer\Desktops' Default 1024x768
  reg_set 'HKCU\Software\Wine\Fonts\Replacements' 'Segoe UI' 'WenQuanYi Micro Hei'
  # Wine draws captions in Tahoma, which has no CJK letters either.
  reg_set 'HKCU\Software\Wine\Fonts\Replacements' Tahoma 'WenQuanYi Micro Hei'
  reg_set "$colours" Menu '240 240 240'
  reg_set "$colours" ButtonFace '240 240 240'
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
  # The keys reach user.reg when the server next saves the registry; until then ask Wine itself
  # (waiting for the server to end would hang while a persistent one runs).
  "$wine" reg query 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma >/dev/null 2>&1 \
    || die "could not set up the Wine desktop"
}

prepare_prefix() {
  wine_prefix
  wine_windows10
  wine_desktop
}

# Steps that need nothing of each other run side by side: the source download beside the
# package install, then the Wine prefix beside the two cross-builds (which only need the
# compilers, and the prefix only Wine).
timed packages install_packages & packages_job=$!
timed "source download" download_sources & sources_job=$!
wait "$packages_job" || die "the Debian packages could not be installed"
wait "$sources_job" || die "the source packages could not be downloaded"
timed "cross-builds" cross_deps & deps_job=$!
timed "wine prefix" prepare_prefix & prefix_job=$!
wait "$deps_job" || die "the cross-builds failed"
wait "$prefix_job" || die "the Wine prefix could not be prepared"
say "setup complete (dependency cache: $deps_cache)"
