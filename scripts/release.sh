#!/usr/bin/env bash
# ./dev release [--allow-dirty]: builds corvald-setup.exe in the release configuration, signs it
# and writes what ships into build/release: the signed stub, its bill of materials
# (corvald-setup.spdx.json), the licence texts of everything linked in (licenses/), and
# SHA256SUMS and SHA512SUMS over all of them. The build tree is build/release-build, a
# throw-away signing CA (when no key is given) build/release-signing: neither ships.
# ./dev release --check: builds the committed tree twice, in two fresh folders, and compares the
# unsigned stubs byte for byte; when they differ it names the first differing part of the image.
# The vendor's key and a time-stamp server come from the environment (scripts/release/sign.sh,
# docs/releasing.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"
here=$root/scripts/release

check=0 allow_dirty=0
for arg in "$@"; do
  case "$arg" in
    --check) check=1 ;;
    --allow-dirty) allow_dirty=1 ;;
    *) die "unknown option $arg (./dev release [--check] [--allow-dirty])" ;;
  esac
done

deps=$deps_cache/mingw64

build_stub() { # source folder, build folder -> the unsigned stub's path (printed)
  local src=$1 bin=$2
  cmake -S "$src" -B "$bin" -G Ninja --toolchain "$src/cmake/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCORVALD_MINGW_DEPS="$deps" >/dev/null ||
    die "cannot configure the release build in $bin"
  cmake --build "$bin" --target corvald-setup >/dev/null || die "the release build failed in $bin"
  echo "$bin/bin/corvald-setup.exe"
}

# Two builds of the committed tree in folders of different names and depths, at different
# times, without the object cache (a cached object would hide a path that leaks into it).
reproducibility_check() {
  git -C "$root" rev-parse --verify -q HEAD >/dev/null || die "--check builds a commit: no git HEAD"
  local first second report
  # Global, for the exit trap that removes it.
  work=$(mktemp -d "$build_root/reproducible-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/one" "$work/second/folder"
  git -C "$root" archive HEAD | tar -x -C "$work/one"
  git -C "$root" archive HEAD | tar -x -C "$work/second/folder"
  say "building $(git -C "$root" rev-parse --short HEAD) in $work/one"
  export CCACHE_DISABLE=1
  first=$(timed "release build 1" build_stub "$work/one" "$work/one/build")
  sleep 1
  say "building it again in $work/second/folder"
  second=$(timed "release build 2" build_stub "$work/second/folder" "$work/second/folder/build")
  if cmp -s "$first" "$second"; then
    echo "reproducible: both builds are $(stat -c %s "$first") bytes," \
      "SHA-256 $(sha256sum <"$first" | cut -d' ' -f1)"
    return 0
  fi
  echo "NOT reproducible: the two builds differ"
  python3 "$here/first_difference.py" "$first" "$second" || true
  report=$build_root/release-reproducibility.txt
  if command -v diffoscope >/dev/null; then
    diffoscope --text "$report" "$first" "$second" >/dev/null 2>&1 || true
    echo "diffoscope's account: $report"
  fi
  return 1
}

tree_is_clean() {
  git -C "$root" rev-parse --verify -q HEAD >/dev/null || return 1
  [ -z "$(git -C "$root" status --porcelain --untracked-files=normal)" ]
}

if [ "$check" = 1 ]; then
  reproducibility_check
  exit
fi

if ! tree_is_clean; then
  [ "$allow_dirty" = 1 ] ||
    die "the tree has uncommitted changes (or is no git checkout): commit them, or sign anyway with --allow-dirty"
  say "WARNING: signing a tree with uncommitted changes (--allow-dirty)"
fi
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
created=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}

bin=$build_root/release-build
out=$build_root/release
say "building the stub (release configuration) in $bin"
unsigned=$(timed "release build" build_stub "$root" "$bin")
size=$(stat -c %s "$unsigned")
[ "$size" -le "$stub_size_limit" ] ||
  die "the unsigned stub is $size bytes, over the $stub_size_limit limit"
version=$(sed -nE 's/.*stub_version = "([^"]+)".*/\1/p' "$bin/generated/build_info.hpp")

rm -rf "$out"
mkdir -p "$out/licenses"
signed=$out/corvald-setup.exe
ca_file=${CORVALD_SIGN_CA_FILE:-}
testing_only=
if [ -z "${CORVALD_SIGN_PKCS12:-}" ] && [ -z "${CORVALD_SIGN_PKCS11_URI:-}" ]; then
  signing=$build_root/release-signing
  rm -rf "$signing"
  bash "$here/throwaway_ca.sh" "$signing" "Corvald Tavrin"
  export CORVALD_SIGN_PKCS12=$signing/signer.p12
  CORVALD_SIGN_PKCS12_PASSWORD=$(cat "$signing/signer.pass")
  export CORVALD_SIGN_PKCS12_PASSWORD
  ca_file=$signing/ca.crt
  testing_only=" -- FOR TESTING ONLY: a throw-away CA made for this run, trusted by nobody"
  say "WARNING: no signing key given (CORVALD_SIGN_PKCS12 or CORVALD_SIGN_PKCS11_URI):"
  say "WARNING: signing with a throw-away CA made for this run; the result is FOR TESTING ONLY"
fi
signer=$(bash "$here/sign.sh" "$unsigned" "$signed" | tail -n1)

# The signature must hold for a verifier that trusts the CA, and taking it off again must give
# back the reproducible bytes exactly.
verify_args=(verify -in "$signed")
[ -n "$ca_file" ] && verify_args+=(-CAfile "$ca_file")
osslsigncode "${verify_args[@]}" >"$bin/verify.log" 2>&1 ||
  die "osslsigncode does not accept the signed stub (see $bin/verify.log)"
rm -f "$bin/unsigned-again.exe"
osslsigncode remove-signature -in "$signed" -out "$bin/unsigned-again.exe" >/dev/null
cmp -s "$unsigned" "$bin/unsigned-again.exe" ||
  die "removing the signature does not give the unsigned stub back"

# The compiler the build really used, as CMake found it.
compiler=$(sed -nE 's/^set\(CMAKE_C_COMPILER "([^"]+)"\)$/\1/p' "$bin"/CMakeFiles/*/CMakeCCompiler.cmake |
  head -n1)
[ -x "$compiler" ] || die "cannot tell which C compiler the release build used"
python3 "$here/sbom.py" --stub "$signed" --unsigned "$unsigned" --map "$bin/corvald-setup.map" \
  --deps "$deps" --sources "$deps_cache/src" --version "$version" --commit "$commit" \
  --created "$created" --compiler "$compiler" \
  --out "$out/corvald-setup.spdx.json" --licenses "$out/licenses" >"$bin/sbom-origins.txt"
python3 "$here/check_sbom.py" "$out/corvald-setup.spdx.json" "$signed" >/dev/null

(cd "$out" && find . -type f ! -name 'SHA*SUMS' -printf '%P\n' | LC_ALL=C sort |
  xargs sha256sum >SHA256SUMS)
(cd "$out" && find . -type f ! -name 'SHA*SUMS' -printf '%P\n' | LC_ALL=C sort |
  xargs sha512sum >SHA512SUMS)

echo
echo "release $version (commit $commit) in $out:"
(cd "$out" && find . -type f -printf '%P\t%s\n' | LC_ALL=C sort |
  awk -F'\t' '{ printf "  %-48s %9d bytes\n", $1, $2 }')
echo "where they came from:"
echo "  corvald-setup.exe: built in $bin ($size bytes unsigned, stripped), signed by osslsigncode" \
  "(the signature adds $(($(stat -c %s "$signed") - size)) bytes)"
sed 's/^/  /' "$bin/sbom-origins.txt"
echo "  SHA256SUMS, SHA512SUMS: sha256sum and sha512sum over every file above"
echo "signed corvald-setup.exe $version with $signer$testing_only"
