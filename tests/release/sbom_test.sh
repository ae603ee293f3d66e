#!/usr/bin/env bash
# usage: sbom_test.sh STUB MAP DEPS SOURCES COMPILER DIR
# The bill of materials of the stub as built, from its linker map: it must validate, name every
# component that is linked in with a version and a licence, and give the stub's own SHA-256.
# The checker must refuse a document broken in each way it claims to catch, and the generator
# must refuse a link that used a library it cannot account for.
set -uo pipefail
stub=$1 map=$2 deps=$3 sources=$4 compiler=$5 dir=$6
release=$(cd "$(dirname "$0")/../../scripts/release" && pwd)
rm -rf "$dir"
mkdir -p "$dir"
verdict_log="$dir/last.log"
. "$(dirname "$0")/expect_verdict.sh"
generate() { # map, output
  python3 "$release/sbom.py" --stub "$stub" --unsigned "$stub" --map "$1" --deps "$deps" \
    --sources "$sources" --version 0.0.0 --commit test --created 0 --compiler "$compiler" \
    --out "$2" --licenses "$dir/licenses"
}
edited() { # name, python statement on `doc`: writes DIR/name.json from the good document
  python3 - "$dir/good.json" "$dir/$1.json" "$2" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
exec(sys.argv[3])
json.dump(doc, open(sys.argv[2], "w"))
PY
}

expect accept "bill of materials generated from the link map" generate "$map" "$dir/good.json"
expect accept "bill of materials valid, with the stub's SHA-256" \
  python3 "$release/check_sbom.py" "$dir/good.json" "$stub"
expect accept "every linked component named, with version, licence and its texts" \
  python3 - "$dir/good.json" "$dir/licenses" <<'PY'
import json, os, sys
doc = json.load(open(sys.argv[1]))
want = {"libyaml": "MIT", "OpenSSL libcrypto": "Apache-2.0", "mingw-w64 runtime": "ZPL-2.1",
        "winpthreads": "MIT AND BSD-3-Clause",
        "libstdc++": "GPL-3.0-or-later WITH GCC-exception-3.1",
        "libgcc": "GPL-3.0-or-later WITH GCC-exception-3.1"}
got = {p["name"]: p for p in doc["packages"]}
linked = {r["relatedSpdxElement"] for r in doc["relationships"] if r["relationshipType"] == "STATIC_LINK"}
bad = [n for n, lic in want.items() if n not in got or got[n]["licenseDeclared"] != lic
       or not got[n]["versionInfo"][0].isdigit() or got[n]["SPDXID"] not in linked]
texts = {"libyaml.txt", "openssl.txt", "mingw-w64.txt", "gcc-runtime.txt", "GPL-3.0.txt"}
missing = texts - set(os.listdir(sys.argv[2]))
print("wrong or missing:", bad, "texts missing:", sorted(missing))
sys.exit(1 if bad or missing else 0)
PY

edited checksum 'p = doc["packages"][0]; v = p["checksums"][0]["checksumValue"]; p["checksums"][0]["checksumValue"] = ("0" if v[0] != "0" else "1") + v[1:]'
expect refuse "a SHA-256 that is not the stub's" python3 "$release/check_sbom.py" "$dir/checksum.json" "$stub"
edited exception 'doc["packages"][-1]["licenseDeclared"] = "GPL-3.0-or-later WITH GCC-exception-9"'
expect refuse "a licence exception SPDX does not know" python3 "$release/check_sbom.py" "$dir/exception.json"
edited no-data-licence 'del doc["dataLicense"]'
expect refuse "no dataLicense" python3 "$release/check_sbom.py" "$dir/no-data-licence.json"
edited dangling 'doc["relationships"].append({"spdxElementId": doc["packages"][0]["SPDXID"], "relationshipType": "STATIC_LINK", "relatedSpdxElement": "SPDXRef-Package-nowhere"})'
expect refuse "a relationship to an element not in the document" python3 "$release/check_sbom.py" "$dir/dangling.json"

# A library from outside the toolchain's packages and the set-up's cache, as a link that picked
# up a stray copy would show it.
mkdir -p "$dir/stray"
cp "$deps/lib/libyaml.a" "$dir/stray/libyaml.a"
sed "s|^$deps/lib/libyaml.a(|$dir/stray/libyaml.a(|; s|$(realpath "$deps")/lib/libyaml.a(|$dir/stray/libyaml.a(|" \
  "$map" >"$dir/stray.map"
expect accept "control: the stray copy shows in the edited map" grep -q "^$dir/stray/libyaml.a(" "$dir/stray.map"
expect refuse "a linked library that no component accounts for" generate "$dir/stray.map" "$dir/stray.json"

[ "$failures" -eq 0 ]
