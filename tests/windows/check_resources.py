#!/usr/bin/env python3
"""Checks the resources of Windows programs without running them: the icon,
a version resource of the project's version and the manifest (UTF-8 as the
code page, aware of the screen's dots per inch, common controls 6).
usage: check_resources.py VERSION PROGRAM.exe..."""
import struct
import sys

ICON, GROUP_ICON, VERSION, MANIFEST = 3, 14, 16, 24


def resources(program):
    """{type id: [bytes of each resource of that type]} of a PE file."""
    data = open(program, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    root_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    if root_rva == 0:
        return {}
    table = []
    for i in range(sections):
        _, rva, raw_size, raw = struct.unpack_from("<4I", data, optional + optional_size + 40 * i + 8)
        table.append((rva, raw_size, raw))

    def at(rva):
        for start, size, raw in table:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address 0x%x in no section" % rva)

    root = at(root_rva)

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, root + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, root + offset + 16 + 8 * i)

    def leaves(offset):
        for _, target in entries(offset):
            if target & 0x80000000:
                yield from leaves(target & 0x7FFFFFFF)
            else:
                rva, size = struct.unpack_from("<II", data, root + target)
                yield data[at(rva):at(rva) + size]

    found = {}
    for kind, target in entries(0):
        if target & 0x80000000:
            found[kind] = list(leaves(target & 0x7FFFFFFF))
    return found


def faults(program, version):
    try:
        found = resources(program)
    except (ValueError, struct.error) as error:
        return ["its resources do not read: %s" % error]
    said = []
    for kind, name in ((ICON, "icon"), (GROUP_ICON, "icon group"), (VERSION, "version"),
                       (MANIFEST, "manifest")):
        if not found.get(kind):
            said.append("no %s resource" % name)
    if found.get(VERSION):
        block = found[VERSION][0]
        fixed = block.find(struct.pack("<I", 0xFEEF04BD))
        numbers = [int(n) for n in version.split(".")] + [0]
        expected = struct.pack("<II", numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
        if fixed < 0 or block[fixed + 8:fixed + 16] != expected:
            said.append("its file version is not %s" % version)
        # The text follows its key, after padding to four bytes.
        key = "FileVersion\0".encode("utf-16-le")
        value = (version + "\0").encode("utf-16-le")
        if not any(key + b"\0" * pad + value in block for pad in (0, 2)):
            said.append("its version text is not %s" % version)
    if found.get(MANIFEST):
        manifest = found[MANIFEST][0].decode("utf-8", "replace")
        for needed in (">UTF-8</activeCodePage>", ">true</dpiAware>",
                       'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'):
            if needed not in " ".join(manifest.split()):
                said.append("its manifest lacks %s" % needed)
    return said


def main():
    version, programs = sys.argv[1], sys.argv[2:]
    failed = False
    for program in programs:
        said = faults(program, version)
        for fault in said:
            print("FAIL: %s: %s" % (program, fault), file=sys.stderr)
        failed = failed or bool(said)
        if not said:
            print("ok: %s has its icon, version %s and manifest" % (program, version))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
