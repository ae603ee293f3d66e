#!/usr/bin/env python3
"""check_sbom.py DOCUMENT [STUB]: holds an SPDX 2.3 JSON document to the rules of its format.

No SPDX document validator is packaged for Debian 12 or npm (the reference one, spdx-tools, is
on PyPI only), so the document's structure is checked here, field by field as SPDX 2.3 defines
it, and every licence expression is parsed by spdx-expression-parse (Debian's node package)
against the SPDX licence and exception lists it ships. With STUB, the SHA-256 the document
gives the file it describes must be that file's. Prints each problem and exits 1 if there is any.
"""
import hashlib
import json
import os
import re
import subprocess
import sys

DOCUMENT_KEYS = {"spdxVersion", "dataLicense", "SPDXID", "name", "documentNamespace",
                 "creationInfo", "documentDescribes", "packages", "relationships", "comment",
                 "externalDocumentRefs", "hasExtractedLicensingInfos", "files", "snippets",
                 "annotations"}
PACKAGE_KEYS = {"SPDXID", "name", "versionInfo", "packageFileName", "supplier", "originator",
                "downloadLocation", "filesAnalyzed", "packageVerificationCode", "checksums",
                "homepage", "sourceInfo", "licenseConcluded", "licenseInfoFromFiles",
                "licenseDeclared", "licenseComments", "copyrightText", "summary", "description",
                "comment", "externalRefs", "attributionTexts", "primaryPackagePurpose",
                "releaseDate", "builtDate", "validUntilDate", "annotations", "hasFiles"}
CHECKSUM_LENGTHS = {"SHA1": 40, "SHA224": 56, "SHA256": 64, "SHA384": 96, "SHA512": 128,
                    "MD5": 32, "SHA3-256": 64, "SHA3-384": 96, "SHA3-512": 128,
                    "BLAKE2b-256": 64, "BLAKE2b-384": 96, "BLAKE2b-512": 128}
PURPOSES = {"APPLICATION", "FRAMEWORK", "LIBRARY", "CONTAINER", "OPERATING-SYSTEM", "DEVICE",
            "FIRMWARE", "SOURCE", "ARCHIVE", "FILE", "INSTALL", "OTHER"}
RELATIONSHIPS = {
    "DESCRIBES", "DESCRIBED_BY", "CONTAINS", "CONTAINED_BY", "DEPENDS_ON", "DEPENDENCY_OF",
    "DEPENDENCY_MANIFEST_OF", "BUILD_DEPENDENCY_OF", "DEV_DEPENDENCY_OF",
    "OPTIONAL_DEPENDENCY_OF", "PROVIDED_DEPENDENCY_OF", "TEST_DEPENDENCY_OF",
    "RUNTIME_DEPENDENCY_OF", "EXAMPLE_OF", "GENERATES", "GENERATED_FROM", "ANCESTOR_OF",
    "DESCENDANT_OF", "VARIANT_OF", "DISTRIBUTION_ARTIFACT", "PATCH_FOR", "PATCH_APPLIED",
    "COPY_OF", "FILE_ADDED", "FILE_DELETED", "FILE_MODIFIED", "EXPANDED_FROM_ARCHIVE",
    "DYNAMIC_LINK", "STATIC_LINK", "DATA_FILE_OF", "TEST_CASE_OF", "BUILD_TOOL_OF",
    "DEV_TOOL_OF", "TEST_OF", "TEST_TOOL_OF", "DOCUMENTATION_OF", "OPTIONAL_COMPONENT_OF",
    "METAFILE_OF", "PACKAGE_OF", "AMENDS", "PREREQUISITE_FOR", "HAS_PREREQUISITE",
    "REQUIREMENT_DESCRIPTION_FOR", "SPECIFICATION_FOR", "OTHER"}
ID = re.compile(r"^SPDXRef-[A-Za-z0-9.-]+$")
ACTOR = re.compile(r"^(Person|Organization|Tool): \S.*$")
STAMP = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$")
LOCATION = re.compile(r"^(NONE|NOASSERTION|(git|hg|svn|bzr)\+\S+|https?://\S+|ftp://\S+)$")


def licence_problems(expressions):
    """Expressions that Debian's spdx-expression-parse refuses, with its reason."""
    script = ('const parse = require("spdx-expression-parse");'
              'const all = JSON.parse(require("fs").readFileSync(0, "utf8"));'
              'for (const e of all) { try { parse(e); } catch (x) {'
              ' console.log(JSON.stringify([e, x.message])); } }')
    env = dict(os.environ, NODE_PATH="/usr/share/nodejs")
    run = subprocess.run(["node", "-e", script], input=json.dumps(sorted(expressions)),
                         capture_output=True, text=True, env=env)
    if run.returncode != 0:
        return [f"cannot run spdx-expression-parse: {run.stderr.strip()}"]
    return [f"licence expression {e!r} is not valid SPDX: {why}"
            for e, why in map(json.loads, run.stdout.splitlines())]


def check(document, stub):
    problems = []
    need = lambda cond, text: cond or problems.append(text)
    need(isinstance(document, dict), "the document is not a JSON object")
    if not isinstance(document, dict):
        return problems
    for key in sorted(set(document) - DOCUMENT_KEYS):
        problems.append(f"unknown document field {key!r}")
    need(document.get("spdxVersion") == "SPDX-2.3", "spdxVersion is not SPDX-2.3")
    need(document.get("dataLicense") == "CC0-1.0", "dataLicense is not CC0-1.0")
    need(document.get("SPDXID") == "SPDXRef-DOCUMENT", "the document's SPDXID is not SPDXRef-DOCUMENT")
    need(bool(document.get("name")), "the document has no name")
    namespace = document.get("documentNamespace", "")
    need(bool(re.match(r"^[a-z][a-z0-9+.-]*://\S+$", namespace)) and "#" not in namespace,
         "documentNamespace is not an absolute URI without a fragment")
    info = document.get("creationInfo") or {}
    need(bool(STAMP.match(str(info.get("created", "")))), "creationInfo.created is not YYYY-MM-DDThh:mm:ssZ")
    creators = info.get("creators") or []
    need(bool(creators) and all(ACTOR.match(str(c)) for c in creators),
         "creationInfo.creators is empty or not Person:/Organization:/Tool:")

    ids = {"SPDXRef-DOCUMENT"}
    expressions = set()
    packages = document.get("packages") or []
    need(bool(packages), "the document lists no package")
    for package in packages:
        where = f"package {package.get('name') or package.get('SPDXID') or '?'}"
        for key in sorted(set(package) - PACKAGE_KEYS):
            problems.append(f"{where}: unknown field {key!r}")
        spdx_id = package.get("SPDXID", "")
        need(bool(ID.match(spdx_id)), f"{where}: SPDXID {spdx_id!r} is malformed")
        need(spdx_id not in ids, f"{where}: SPDXID {spdx_id!r} is used twice")
        ids.add(spdx_id)
        need(bool(package.get("name")), f"{where}: no name")
        need(bool(package.get("versionInfo")), f"{where}: no versionInfo")
        need(bool(LOCATION.match(str(package.get("downloadLocation", "")))),
             f"{where}: downloadLocation missing or malformed")
        need(package.get("filesAnalyzed", True) is False or "packageVerificationCode" in package,
             f"{where}: files analysed but no packageVerificationCode")
        for field in ("licenseConcluded", "licenseDeclared"):
            value = package.get(field)
            need(isinstance(value, str) and value, f"{where}: no {field}")
            if isinstance(value, str) and value not in ("NONE", "NOASSERTION"):
                expressions.add(value)
        need(isinstance(package.get("copyrightText"), str), f"{where}: no copyrightText")
        for actor in ("supplier", "originator"):
            if actor in package:
                need(package[actor] == "NOASSERTION" or bool(re.match(r"^(Person|Organization): \S", package[actor])),
                     f"{where}: {actor} is not Person:/Organization:/NOASSERTION")
        if "primaryPackagePurpose" in package:
            need(package["primaryPackagePurpose"] in PURPOSES, f"{where}: unknown primaryPackagePurpose")
        for checksum in package.get("checksums", []):
            algorithm, value = checksum.get("algorithm"), str(checksum.get("checksumValue", ""))
            length = CHECKSUM_LENGTHS.get(algorithm)
            need(length is not None, f"{where}: unknown checksum algorithm {algorithm!r}")
            need(length is None or re.fullmatch(f"[0-9a-f]{{{length}}}", value) is not None,
                 f"{where}: {algorithm} checksum {value!r} is not {length} lower-case hex digits")
        for ref in package.get("externalRefs", []):
            need(ref.get("referenceCategory") in ("SECURITY", "PACKAGE-MANAGER", "PERSISTENT-ID", "OTHER")
                 and bool(ref.get("referenceType")) and bool(ref.get("referenceLocator")),
                 f"{where}: malformed externalRef {ref!r}")
            if ref.get("referenceType") == "purl":
                need(str(ref.get("referenceLocator", "")).startswith("pkg:"), f"{where}: purl does not start with pkg:")

    relationships = document.get("relationships") or []
    for relation in relationships:
        kind = relation.get("relationshipType")
        need(kind in RELATIONSHIPS, f"unknown relationshipType {kind!r}")
        for end in ("spdxElementId", "relatedSpdxElement"):
            target = relation.get(end)
            need(target in ids or target in ("NONE", "NOASSERTION"),
                 f"relationship {kind}: {end} {target!r} names no element of the document")
    described = [r["relatedSpdxElement"] for r in relationships
                 if r.get("spdxElementId") == "SPDXRef-DOCUMENT" and r.get("relationshipType") == "DESCRIBES"]
    described += document.get("documentDescribes", [])
    need(bool(described), "the document describes nothing (no DESCRIBES relationship)")
    for spdx_id in document.get("documentDescribes", []):
        need(spdx_id in ids, f"documentDescribes names {spdx_id!r}, which is not in the document")
    problems += licence_problems(expressions)

    if stub:
        with open(stub, "rb") as data:
            actual = hashlib.sha256(data.read()).hexdigest()
        sums = [c.get("checksumValue") for p in packages if p.get("SPDXID") in described
                for c in p.get("checksums", []) if c.get("algorithm") == "SHA256"]
        need(actual in sums, f"the described package's SHA-256 is not that of {stub} ({actual})")
    return problems


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: check_sbom.py DOCUMENT [STUB]")
    try:
        with open(sys.argv[1], encoding="utf-8") as text:
            document = json.load(text)
    except (OSError, ValueError) as error:
        print(f"{sys.argv[1]}: {error}")
        return 1
    problems = check(document, sys.argv[2] if len(sys.argv) == 3 else None)
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{sys.argv[1]}: valid SPDX 2.3")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
