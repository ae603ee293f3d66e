#!/usr/bin/env bash
# usage: verifiers_test.sh DIR (the copies make_signed_copies.sh wrote)
# Two Authenticode verifiers of separate code bases judge the signed stub against the test root:
# osslsigncode (the tool that signed it) and sbsigntool's sbverify. Each must accept the signed
# copy and refuse the tampered one and the one from an untrusted CA: a refusal is what shows the
# verifier checks at all. Taking the signature off must give back the unsigned bytes exactly.
set -uo pipefail
dir=$1
verdict_log="$dir/last-verdict.log"
. "$(dirname "$0")/expect_verdict.sh"

ca=$dir/trusted/ca.crt
for verifier in osslsigncode sbverify; do
  for copy in signed tampered untrusted; do
    want=refuse
    [ "$copy" = signed ] && want=accept
    if [ "$verifier" = osslsigncode ]; then
      expect "$want" "osslsigncode verify, $copy copy" \
        osslsigncode verify -CAfile "$ca" -in "$dir/$copy.exe"
    else
      expect "$want" "sbverify, $copy copy" sbverify --cert "$ca" "$dir/$copy.exe"
    fi
  done
done

rm -f "$dir/unsigned-again.exe" "$dir/tampered-unsigned.exe"
osslsigncode remove-signature -in "$dir/signed.exe" -out "$dir/unsigned-again.exe" >/dev/null
expect accept "signature removed: the unsigned bytes come back" \
  cmp "$dir/unsigned.exe" "$dir/unsigned-again.exe"
osslsigncode remove-signature -in "$dir/tampered.exe" -out "$dir/tampered-unsigned.exe" >/dev/null
expect refuse "signature removed from the tampered copy: not the unsigned bytes" \
  cmp "$dir/unsigned.exe" "$dir/tampered-unsigned.exe"

[ "$failures" -eq 0 ]
