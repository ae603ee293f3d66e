#!/usr/bin/env bash
# usage: make_signed_copies.sh STUB DIR
# The copies of STUB that the signature tests judge, signed the way ./dev release signs:
#   signed.exe       by a code-signing certificate of DIR/trusted's CA (the verifiers' root)
#   tampered.exe     signed.exe with one byte of its code section changed
#   untrusted.exe    signed by a CA that no verifier is told to trust
#   unsigned.exe     STUB itself
# and wine-signed.exe, wine-tampered.exe, wine-untrusted.exe for WinVerifyTrust under Wine,
# whose CAs sign certificates with SHA-1: Wine 8 cannot hash a SHA-256-signed signer
# certificate with its legacy provider and then skips the whole chain policy, so it would
# accept any root (measured). The files themselves are hashed with SHA-256 in every copy.
set -euo pipefail
stub=$1 dir=$2
release=$(cd "$(dirname "$0")/../../scripts/release" && pwd)
rm -rf "$dir"
mkdir -p "$dir"
cp "$stub" "$dir/unsigned.exe"

sign_with() { # CA folder, output
  CORVALD_SIGN_PKCS12=$1/signer.p12 CORVALD_SIGN_PKCS12_PASSWORD=$(cat "$1/signer.pass") \
    bash "$release/sign.sh" "$stub" "$2" >/dev/null
}
tamper() { # signed, output: one byte of the code section inverted
  python3 - "$1" "$2" <<'PY'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", image, 0x3C)[0]
count = struct.unpack_from("<H", image, pe + 6)[0]
table = pe + 24 + struct.unpack_from("<H", image, pe + 20)[0]
for i in range(count):
    entry = table + 40 * i
    if image[entry:entry + 8].rstrip(b"\0") == b".text":
        start = struct.unpack_from("<I", image, entry + 20)[0]
        image[start + 64] ^= 0xFF
        open(sys.argv[2], "wb").write(image)
        sys.exit(0)
sys.exit("no .text section in " + sys.argv[1])
PY
}

for prefix in "" wine-; do
  digest=sha256
  [ -n "$prefix" ] && digest=sha1
  CORVALD_CA_DIGEST=$digest bash "$release/throwaway_ca.sh" "$dir/${prefix}trusted" "Corvald Tavrin test"
  CORVALD_CA_DIGEST=$digest bash "$release/throwaway_ca.sh" "$dir/${prefix}other" "Somebody else"
  sign_with "$dir/${prefix}trusted" "$dir/${prefix}signed.exe"
  sign_with "$dir/${prefix}other" "$dir/${prefix}untrusted.exe"
  tamper "$dir/${prefix}signed.exe" "$dir/${prefix}tampered.exe"
done
