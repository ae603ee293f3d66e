#!/usr/bin/env python3
"""first_difference.py A B: where two builds of one PE image part ways.

Prints nothing and exits 0 when the files are byte-identical. Otherwise prints the first
differing offset and the part of the image that holds it (the DOS or PE header, a section by
name, the signature, or bytes past the end of one file), then how many bytes differ in each
section, and exits 1. Finding that section is what points a regression at its cause: the PE
header holds the link time stamp, .rsrc the resources, .rdata the strings such as file paths.
"""
import struct
import sys


def regions(image):
    """(name, start, end) of each part of a PE image, in file order."""
    if len(image) < 0x40 or image[:2] != b"MZ":
        return [("file", 0, len(image))]
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return [("file", 0, len(image))]
    count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    table = pe + 24 + optional_size
    parts = [("DOS header and stub", 0, pe),
             ("PE header and section table", pe, table + 40 * count)]
    for i in range(count):
        entry = table + 40 * i
        name = image[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        size, start = struct.unpack_from("<II", image, entry + 16)
        if size:
            parts.append((name, start, start + size))
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    directories = pe + 24 + (112 if magic == 0x20B else 96)
    security_start, security_size = struct.unpack_from("<II", image, directories + 4 * 8)
    if security_size:
        parts.append(("signature", security_start, security_start + security_size))
    return sorted(parts, key=lambda p: p[1])


def part_at(parts, offset):
    holder = "between sections"
    for name, start, end in parts:
        if start <= offset < end:
            holder = name
    return holder


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: first_difference.py A B")
    a = open(sys.argv[1], "rb").read()
    b = open(sys.argv[2], "rb").read()
    if a == b:
        return 0
    first = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    parts = regions(a)
    if first >= min(len(a), len(b)):
        print(f"first difference at offset {first:#x}: one file ends there "
              f"({len(a)} and {len(b)} bytes)")
    else:
        print(f"first difference at offset {first:#x}, in {part_at(parts, first)}")
    for name, start, end in parts:
        differing = sum(1 for x, y in zip(a[start:end], b[start:end]) if x != y)
        if differing:
            print(f"  {name}: {differing} of {end - start} bytes differ")
    return 1


if __name__ == "__main__":
    sys.exit(main())
