#!/usr/bin/env bash
# sign.sh IN OUT: Authenticode (SHA-256) through osslsigncode, with the key the environment names:
#   CORVALD_SIGN_PKCS12 + CORVALD_SIGN_PKCS12_PASSWORD   a PKCS#12 file and its password
#   CORVALD_SIGN_PKCS11_URI + CORVALD_SIGN_PKCS11_MODULE + CORVALD_SIGN_PKCS11_CERT
#     [+ CORVALD_SIGN_PKCS11_PIN]                          a key on a token, its certificate file
#   CORVALD_SIGN_TIMESTAMP_URL                            an RFC 3161 server (optional)
# Secrets reach osslsigncode through a pipe (-readpass), never its command line, so they stay
# out of the process list and of any log that records commands. Prints the signing certificate's
# subject, issuer and SHA-256 fingerprint on its last line.
set -euo pipefail
in=$1 out=$2
die() { printf 'error: %s\n' "$*" >&2; exit 1; }
command -v osslsigncode >/dev/null || die "osslsigncode is not installed (./dev setup)"

args=(sign -h sha256 -n "Corvald Tavrin Setup" -i "https://corvald.example/")
secret=
if [ -n "${CORVALD_SIGN_PKCS12:-}" ]; then
  [ -r "$CORVALD_SIGN_PKCS12" ] || die "CORVALD_SIGN_PKCS12: cannot read $CORVALD_SIGN_PKCS12"
  [ -n "${CORVALD_SIGN_PKCS12_PASSWORD+set}" ] ||
    die "CORVALD_SIGN_PKCS12 is set but CORVALD_SIGN_PKCS12_PASSWORD is not"
  args+=(-pkcs12 "$CORVALD_SIGN_PKCS12")
  secret=$CORVALD_SIGN_PKCS12_PASSWORD
  describe() {
    openssl pkcs12 -in "$CORVALD_SIGN_PKCS12" -nokeys -clcerts -passin env:CORVALD_SIGN_PKCS12_PASSWORD 2>/dev/null
  }
elif [ -n "${CORVALD_SIGN_PKCS11_URI:-}" ]; then
  [ -n "${CORVALD_SIGN_PKCS11_MODULE:-}" ] && [ -r "${CORVALD_SIGN_PKCS11_CERT:-}" ] ||
    die "a PKCS#11 key needs CORVALD_SIGN_PKCS11_MODULE and CORVALD_SIGN_PKCS11_CERT (a certificate file)"
  args+=(-pkcs11module "$CORVALD_SIGN_PKCS11_MODULE" -key "$CORVALD_SIGN_PKCS11_URI"
         -certs "$CORVALD_SIGN_PKCS11_CERT")
  secret=${CORVALD_SIGN_PKCS11_PIN:-}
  describe() { cat "$CORVALD_SIGN_PKCS11_CERT"; }
else
  die "no signing key: set CORVALD_SIGN_PKCS12 or CORVALD_SIGN_PKCS11_URI"
fi
[ -n "${CORVALD_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$CORVALD_SIGN_TIMESTAMP_URL")

rm -f "$out"
if [ -n "$secret" ]; then
  osslsigncode "${args[@]}" -readpass <(printf '%s' "$secret") -in "$in" -out "$out" >/dev/null ||
    die "osslsigncode could not sign $in"
else
  osslsigncode "${args[@]}" -in "$in" -out "$out" >/dev/null || die "osslsigncode could not sign $in"
fi
describe | openssl x509 -noout -subject -issuer -fingerprint -sha256 -nameopt oneline 2>/dev/null |
  sed -E 's/^sha256 Fingerprint=/SHA-256 /' | paste -sd ';' | sed 's/;/; /g' ||
  die "cannot read the signing certificate"
