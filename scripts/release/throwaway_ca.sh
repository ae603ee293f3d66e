#!/usr/bin/env bash
# throwaway_ca.sh DIR NAME: a code-signing CA and a certificate it issued, made for one run and
# good for 30 days, for releases built without the vendor's key and for the signature tests.
# Writes DIR/ca.crt (PEM), DIR/ca.cer (DER, the form Windows certificate stores take),
# DIR/signer.crt, DIR/signer.key and DIR/signer.p12 (key and chain; its password is the
# contents of DIR/signer.pass, which never appears on a command line). CORVALD_CA_DIGEST chooses
# the digest the certificates are signed with (default sha256).
set -euo pipefail
dir=$1 name=$2
digest=${CORVALD_CA_DIGEST:-sha256}
mkdir -p "$dir"
cd "$dir"
umask 077
openssl rand -hex 24 >signer.pass
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 30 "-$digest" \
  -subj "/O=$name/CN=$name throw-away test CA" \
  -addext basicConstraints=critical,CA:TRUE,pathlen:0 \
  -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl x509 -in ca.crt -outform DER -out ca.cer
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/O=$name/CN=$name throw-away code signing" 2>/dev/null
printf '%s\n' basicConstraints=critical,CA:FALSE keyUsage=critical,digitalSignature \
  extendedKeyUsage=codeSigning subjectKeyIdentifier=hash authorityKeyIdentifier=keyid >signer.ext
openssl x509 -req -in signer.csr -CA ca.crt -CAkey ca.key -set_serial "0x$(openssl rand -hex 16)" \
  -days 30 "-$digest" -extfile signer.ext -out signer.crt 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.crt -certfile ca.crt -name "$name" \
  -out signer.p12 -passout file:signer.pass
rm -f signer.csr signer.ext ca.key
