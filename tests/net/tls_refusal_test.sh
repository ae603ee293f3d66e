#!/usr/bin/env bash
# usage: tls_refusal_test.sh WINE TEST_PROGRAM WORK_DIR
# Makes a test CA and four server certificates (a good one, one for another name, an expired one
# and one from a CA nobody trusts), serves each from an openssl s_server on loopback and runs
# the Windows test program against them. The program trusts the test CA in the prefix's
# current-user Root store for its own run and takes it out again; should it die first, the
# exit trap here takes it out.
set -euo pipefail
wine=$1
program=$2
work=$3

rm -rf "$work"
mkdir -p "$work/issued"
cd "$work"
cat > ca.cnf <<'CNF'
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = issued
serial = serial
default_md = sha256
policy = any_name
copy_extensions = none
unique_subject = no
[any_name]
commonName = supplied
[server]
subjectAltName = DNS:localhost
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
[other_name]
subjectAltName = DNS:update.other.example
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
CNF
: > index.txt
echo 1000 > serial
quiet() { "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=Corvald Test Root"
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout rogue.key -out rogue.pem -days 2 \
  -subj "/CN=Intercepting Proxy CA"
issue() { # name extensions ca-name [openssl ca options...]
  local name=$1 ext=$2 ca=$3
  shift 3
  quiet openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/CN=$name.test"
  quiet openssl ca -batch -config ca.cnf -cert "$ca.pem" -keyfile "$ca.key" -extensions "$ext" \
    -in "$name.csr" -out "$name.pem" "$@"
}
issue good server ca -days 2
issue wrongname other_name ca -days 2
issue expired server ca -startdate 20240101000000Z -enddate 20240201000000Z
issue unknownca server rogue -days 2

pids=()
thumbprint=$(openssl x509 -in ca.pem -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wine" reg delete \
    "HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$thumbprint" /f \
    >/dev/null 2>&1 || true
}
trap cleanup EXIT

ports=()
for name in good wrongname expired unknownca; do
  openssl s_server -accept 127.0.0.1:0 -cert "$name.pem" -key "$name.key" -www \
    > "$name.log" 2>&1 &
  pids+=($!)
  # The log is made by the background shell, which may not have got that far yet.
  for _ in $(seq 50); do grep -qs '^ACCEPT' "$name.log" && break; sleep 0.1; done
  port=$(sed -n 's/^ACCEPT .*:\([0-9]*\)$/\1/p' "$name.log" 2>/dev/null || true)
  [ -n "$port" ] || { echo "the https server for $name did not start" >&2; exit 1; }
  ports+=("$name=$port")
done

CORVALD_TLS_CA="Z:$work/ca.pem" CORVALD_TLS_PORTS="${ports[*]}" WINEDEBUG=-all \
  "$wine" "$program"
