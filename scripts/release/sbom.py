#!/usr/bin/env python3
"""sbom.py: the SPDX 2.3 bill of materials of corvald-setup.exe, from what its link really used.

The linker's map names every archive member and object file that went into the image. Each is
traced to the component it came from: the cross-built libyaml and libcrypto (by their place in
the set-up's cache, versioned by the Debian source packages it fetched), or a Debian package of
the toolchain (dpkg -S), versioned by what the compiler itself reports and by the package. A
file that belongs to none of them stops the run: a bill of materials that leaves out what it
cannot name is wrong without saying so.

Writes the SPDX JSON document, copies the licence texts each component's licence wants shipped
with a binary into the licences folder, and prints one line per component saying where its
version, licence and text came from.
"""
import argparse
import datetime
import glob
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys

# Components by the Debian package (toolchain) or cache file (cross-built) they come from.
# libstdc++ and libgcc carry the GCC runtime library exception, which is what lets their code
# sit in a program under any licence.
COMPONENTS = {
    "libyaml": {
        "name": "libyaml", "license": "MIT", "supplier": "Organization: The YAML Project",
        "purpose": "LIBRARY", "homepage": "https://pyyaml.org/wiki/LibYAML",
    },
    "openssl": {
        "name": "OpenSSL libcrypto", "license": "Apache-2.0",
        "supplier": "Organization: OpenSSL Software Foundation", "purpose": "LIBRARY",
        "homepage": "https://www.openssl.org/",
    },
    "mingw-w64-runtime": {
        "name": "mingw-w64 runtime", "license": "ZPL-2.1",
        "supplier": "Organization: mingw-w64 project", "purpose": "LIBRARY",
        "homepage": "https://www.mingw-w64.org/",
        "note": "startup code, C runtime glue and import libraries; the few files under other "
                "terms are listed in licenses/mingw-w64.txt",
    },
    "winpthreads": {
        "name": "winpthreads", "license": "MIT AND BSD-3-Clause",
        "supplier": "Organization: mingw-w64 project", "purpose": "LIBRARY",
        "homepage": "https://www.mingw-w64.org/",
    },
    "libstdc++": {
        "name": "libstdc++", "license": "GPL-3.0-or-later WITH GCC-exception-3.1",
        "supplier": "Organization: Free Software Foundation", "purpose": "LIBRARY",
        "homepage": "https://gcc.gnu.org/",
    },
    "libgcc": {
        "name": "libgcc", "license": "GPL-3.0-or-later WITH GCC-exception-3.1",
        "supplier": "Organization: Free Software Foundation", "purpose": "LIBRARY",
        "homepage": "https://gcc.gnu.org/",
    },
}


def die(message):
    sys.exit(f"sbom: {message}")


def linked_inputs(map_file):
    """{path: set of members} of every archive member and object file the link used."""
    inputs = {}
    member = re.compile(r"^(\S.*\.a)\((.+)\)$")
    with open(map_file, encoding="utf-8", errors="replace") as lines:
        in_members = False
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("Archive member included"):
                in_members = True
                continue
            if line in ("Allocating common symbols", "Discarded input sections",
                        "Memory Configuration", "Linker script and memory map"):
                in_members = False
            if in_members:
                found = member.match(line)
                if found:
                    inputs.setdefault(found.group(1), set()).add(found.group(2))
            elif line.startswith("LOAD ") and line.endswith((".o", ".obj")):
                inputs.setdefault(line[5:], set())
    if not inputs:
        die(f"no linked input found in {map_file}: is it a linker map?")
    return inputs


def dpkg_owners(paths):
    """{resolved path: Debian package} for the paths dpkg knows."""
    if not paths:
        return {}
    run = subprocess.run(["dpkg", "-S", *paths], capture_output=True, text=True)
    owners = {}
    for line in run.stdout.splitlines():
        package, _, path = line.partition(": ")
        owners[path.strip()] = package.split(":")[0].split(",")[0].strip()
    return owners


def classify(inputs, deps, build_dir):
    """{component: {path: members}}; stops on any input that belongs to no known component.
    The stub's own code is what the build folder (where the linker ran, against which the map's
    relative paths resolve) compiled: its object files and its corvald_* libraries. Any other
    library there is a stray copy, not the stub's."""
    deps = os.path.realpath(deps)
    build_dir = os.path.realpath(build_dir)
    resolved = {path: os.path.realpath(os.path.join(build_dir, path)) for path in inputs}

    def own(real):
        base = os.path.basename(real)
        return real.startswith(build_dir + os.sep) and (
            base.endswith((".obj", ".res")) or (base.startswith("libcorvald_") and base.endswith(".a")))

    outside = [r for r in resolved.values()
               if not r.startswith(deps + os.sep) and not r.startswith(build_dir + os.sep)]
    owners = dpkg_owners(sorted(set(outside)))
    found, unknown = {}, []
    for path, real in sorted(resolved.items()):
        base = os.path.basename(real)
        component = None
        if own(real):
            continue
        if real.startswith(build_dir + os.sep):
            pass
        elif real.startswith(deps + os.sep):
            component = {"libyaml.a": "libyaml", "libcrypto.a": "openssl"}.get(base)
        else:
            package = owners.get(real, "")
            if package == "mingw-w64-x86-64-dev":
                component = ("winpthreads" if base in ("libpthread.a", "libwinpthread.a")
                             else "mingw-w64-runtime")
            elif package.startswith("g++-mingw-w64") and base in ("libstdc++.a", "libsupc++.a"):
                component = "libstdc++"
            elif package.startswith("gcc-mingw-w64") and (
                    base.startswith("libgcc") or base in ("crtbegin.o", "crtend.o")):
                component = "libgcc"
        if component is None:
            unknown.append(real)
        else:
            found.setdefault(component, {})[real] = inputs[path]
    if unknown:
        die("linked but not accounted for by any component:\n  " + "\n  ".join(unknown))
    return found


def package_version(package):
    run = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                         capture_output=True, text=True)
    if run.returncode != 0 or not run.stdout:
        die(f"cannot read the version of the Debian package {package}")
    return run.stdout


def compiler_macros(compiler, include=None):
    command = [compiler, "-E", "-dM", "-x", "c", "-"]
    if include:
        command[2:2] = ["-include", include]
    run = subprocess.run(command, input="", capture_output=True, text=True)
    if run.returncode != 0:
        die(f"{compiler} does not report its macros: {run.stderr.strip()}")
    return dict(re.findall(r"^#define (\w+) (.*)$", run.stdout, re.M))


def dsc_version(sources, package):
    for dsc in sorted(glob.glob(os.path.join(sources, f"{package}_*.dsc"))):
        with open(dsc, encoding="utf-8", errors="replace") as text:
            found = re.search(r"^Version: (\S+)$", text.read(), re.M)
            if found:
                return found.group(1)
    die(f"no source package of {package} in {sources}: run ./dev setup")


def upstream(debian_version):
    return re.sub(r"^\d+:", "", debian_version).rsplit("-", 1)[0]


def source_file(sources, package, name):
    matches = sorted(glob.glob(os.path.join(sources, f"{package}-*", name)))
    if not matches:
        die(f"no {name} in the unpacked {package} source under {sources}")
    return matches[0]


def versions_and_texts(component, args, paths):
    """(version, Debian version, purl, [(licence file name, source path)], version origin)."""
    if component in ("libyaml", "openssl"):
        debian = dsc_version(args.sources, component)
        version = upstream(debian)
        origin = f"source package {component} {debian} fetched by the set-up"
        if component == "openssl":
            header = os.path.join(args.deps, "include", "openssl", "opensslv.h")
            with open(header, encoding="utf-8") as text:
                reported = re.search(r'OPENSSL_VERSION_STR "([^"]+)"', text.read())
            if not reported or reported.group(1) != version:
                die(f"{header} does not say OpenSSL {version}")
            origin += f", confirmed by {header}"
            texts = [("openssl.txt", source_file(args.sources, "openssl", "LICENSE.txt"))]
        else:
            texts = [("libyaml.txt", source_file(args.sources, "libyaml", "License"))]
        return version, debian, f"pkg:deb/debian/{component}@{debian}?arch=source", texts, origin
    owners = dpkg_owners(sorted(paths))
    package = sorted(set(owners.values()))[0]
    debian = package_version(package)
    if component in ("mingw-w64-runtime", "winpthreads"):
        macros = compiler_macros(args.compiler, "_mingw.h")
        version = ".".join(macros.get(f"__MINGW64_VERSION_{k}", "?") for k in ("MAJOR", "MINOR", "BUGFIX"))
        origin = f"__MINGW64_VERSION_* of {args.compiler}'s headers, Debian package {package} {debian}"
        texts = [("mingw-w64.txt", f"/usr/share/doc/{package}/copyright")]
    else:
        # Debian's cross compiler calls itself "12-posix" (__GNUC_MINOR__ and
        # __GNUC_PATCHLEVEL__ read 0), so the full version is its package's, held to the major
        # version the compiler does report.
        version = upstream(debian)
        major = compiler_macros(args.compiler).get("__GNUC__", "")
        if version.split(".")[0] != major:
            die(f"{args.compiler} reports GCC {major}, but {package} is {debian}")
        origin = f"Debian package {package} {debian}, GCC {major} as {args.compiler} reports"
        texts = [("gcc-runtime.txt", f"/usr/share/doc/{package}/copyright"),
                 ("GPL-3.0.txt", "/usr/share/common-licenses/GPL-3")]
    if upstream(debian) != version:
        die(f"{component}: the compiler says {version}, its Debian package {package} {debian}")
    source = {"mingw-w64-runtime": "mingw-w64", "winpthreads": "mingw-w64"}.get(component, "gcc-mingw-w64")
    return version, debian, f"pkg:deb/debian/{source}@{debian}?arch=source", texts, origin


def sha256_of(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("stub", "unsigned", "map", "deps", "sources", "version", "commit", "created",
                   "compiler", "out", "licenses"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()

    # The map sits at the top of the build tree, where the linker ran.
    components = classify(linked_inputs(args.map), args.deps, os.path.dirname(args.map))
    stub_sha = sha256_of(args.stub)
    created = datetime.datetime.fromtimestamp(int(args.created), datetime.timezone.utc)
    stub_id = "SPDXRef-Package-corvald-setup"
    document = {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": f"corvald-setup-{args.version}",
        "documentNamespace": f"https://corvald.example/spdx/corvald-setup-{args.version}-{stub_sha}",
        "creationInfo": {
            "created": created.strftime("%Y-%m-%dT%H:%M:%SZ"),
            "creators": ["Organization: Corvald", f"Tool: corvald-release-{args.version}"],
        },
        "documentDescribes": [stub_id],
        "packages": [{
            "SPDXID": stub_id,
            "name": "corvald-setup.exe",
            "versionInfo": args.version,
            "supplier": "Organization: Corvald",
            "downloadLocation": "NOASSERTION",
            "filesAnalyzed": False,
            "checksums": [{"algorithm": "SHA256", "checksumValue": stub_sha}],
            "licenseConcluded": "NOASSERTION",
            "licenseDeclared": "NOASSERTION",
            "copyrightText": "NOASSERTION",
            "primaryPackagePurpose": "APPLICATION",
            "comment": f"Corvald Tavrin installer stub, commit {args.commit}, signed; "
                       f"SHA-256 of the unsigned image {sha256_of(args.unsigned)}",
        }],
        "relationships": [{"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                           "relatedSpdxElement": stub_id}],
    }
    os.makedirs(args.licenses, exist_ok=True)
    for component in sorted(components):
        paths = components[component]
        meta = COMPONENTS[component]
        version, debian, purl, texts, origin = versions_and_texts(component, args, paths)
        spdx_id = "SPDXRef-Package-" + re.sub(r"[^A-Za-z0-9.-]", "-", component)
        linked = "; ".join(f"{path} ({len(members)} members)" if members else path
                           for path, members in sorted(paths.items()))
        for name, source in texts:
            if not os.path.isfile(source):
                die(f"the licence text {source} of {meta['name']} is missing")
            shutil.copyfile(source, os.path.join(args.licenses, name))
        comment = f"linked in statically from {linked}; Debian version {debian}"
        if "note" in meta:
            comment += "; " + meta["note"]
        document["packages"].append({
            "SPDXID": spdx_id,
            "name": meta["name"],
            "versionInfo": version,
            "supplier": meta["supplier"],
            "downloadLocation": "NOASSERTION",
            "homepage": meta["homepage"],
            "filesAnalyzed": False,
            "licenseConcluded": meta["license"],
            "licenseDeclared": meta["license"],
            "copyrightText": "NOASSERTION",
            "primaryPackagePurpose": meta["purpose"],
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": purl}],
            "comment": comment,
        })
        document["relationships"].append({"spdxElementId": stub_id,
                                          "relationshipType": "STATIC_LINK",
                                          "relatedSpdxElement": spdx_id})
        files = ", ".join(f"licenses/{name} from {source}" for name, source in texts)
        print(f"{meta['name']} {version}: {meta['license']}; version from {origin}; {files}")
    with open(args.out, "w", encoding="utf-8") as out:
        json.dump(document, out, indent=2)
        out.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
