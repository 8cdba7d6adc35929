#!/usr/bin/env python3
"""Reads a Windows program's machine type and version resource (VERSIONINFO) without Windows.

    pe_version.py FILE                      prints what it read, as JSON
    pe_version.py FILE --machine x64 --version 0.1.0 [--description TEXT] [--filename NAME]
                                            checks it: exit 1 naming each field that differs
    pe_version.py FILE --tools              the boot tools it carries, one a line

Exit code 2 with a one-line error when FILE is not a program or has no version resource. The
dist script checks each program with it before packing, and the release tests read the built
programs back with it.
"""
import argparse
import json
import struct
import sys

RT_VERSION = 16
# Resource ids of type "BIN" (boot/resource_ids.h) of the tools a build may carry.
TOOLS = ((130, "bcdboot.exe"), (134, "bcdedit.exe"), (135, "bootsect.exe"), (132, "ntldr"),
         (133, "NTDETECT.COM"))
MACHINES = {0x8664: "x64", 0x14C: "x86", 0xAA64: "arm64"}
FIXED_SIGNATURE = 0xFEEF04BD
MAX_RESOURCES = 10000
# Nested blocks of a version resource: root, StringFileInfo, string table, string.
MAX_DEPTH = 6


class PeError(Exception):
    """The file is not a readable program, or its version resource is missing or broken."""


def _unpack(fmt, data, offset):
    if offset < 0 or offset + struct.calcsize(fmt) > len(data):
        raise PeError("truncated at offset %d" % offset)
    return struct.unpack_from(fmt, data, offset)


def read_machine_and_sections(data):
    """The machine name, the section table and the resource directory's RVA (0 when none)."""
    if data[:2] != b"MZ":
        raise PeError("not a Windows program (no MZ header)")
    (pe_offset,) = _unpack("<I", data, 0x3C)
    if data[pe_offset : pe_offset + 4] != b"PE\0\0":
        raise PeError("not a Windows program (no PE header)")
    machine, sections, _, _, _, optional_size, _ = _unpack("<HHIIIHH", data, pe_offset + 4)
    optional = pe_offset + 24
    (magic,) = _unpack("<H", data, optional)
    if magic == 0x10B:
        count_at, directories_at = 92, 96
    elif magic == 0x20B:
        count_at, directories_at = 108, 112
    else:
        raise PeError("unknown optional header 0x%x" % magic)
    (directory_count,) = _unpack("<I", data, optional + count_at)
    resource_rva = 0
    if directory_count > 2 and directories_at + 3 * 8 <= optional_size:
        resource_rva, _ = _unpack("<II", data, optional + directories_at + 2 * 8)
    table = []
    first = optional + optional_size
    for i in range(sections):
        _, virtual_size, rva, raw_size, raw_offset = _unpack("<8sIIII", data, first + 40 * i)
        table.append((rva, max(virtual_size, raw_size), raw_offset, raw_size))
    return MACHINES.get(machine, "0x%04x" % machine), table, resource_rva


def _file_offset(table, rva, size):
    for start, length, raw_offset, raw_size in table:
        if start <= rva and rva + size <= start + length:
            offset = raw_offset + (rva - start)
            if rva - start + size > raw_size:
                raise PeError("resource data lies outside its section's bytes")
            return offset
    raise PeError("RVA 0x%x is in no section" % rva)


def _directory_entries(data, base, offset):
    _, _, _, _, named, ids = _unpack("<IIHHHH", data, base + offset)
    entries = []
    for i in range(named + ids):
        name, target = _unpack("<II", data, base + offset + 16 + 8 * i)
        if name & 0x80000000:
            # A name: its length in UTF-16 units, then the units.
            (length,) = _unpack("<H", data, base + (name & 0x7FFFFFFF))
            start = base + (name & 0x7FFFFFFF) + 2
            if start + 2 * length > len(data):
                raise PeError("resource name runs past the end of the file")
            name = data[start : start + 2 * length].decode("utf-16-le", "replace")
        entries.append((name, target))
    return entries


def resources(data):
    """The machine name and every resource as (type, name, language, bytes); a type or name is
    a number or, for named ones ("BIN"), a string."""
    machine, table, resource_rva = read_machine_and_sections(data)
    if resource_rva == 0:
        return machine, []
    base = _file_offset(table, resource_rva, 16)
    found = []
    for kind, kind_target in _directory_entries(data, base, 0):
        for name, name_target in _subdirectory(data, base, kind_target):
            for language, leaf in _subdirectory(data, base, name_target):
                if leaf & 0x80000000:
                    raise PeError("resource directory nests too deep")
                rva, size, _, _ = _unpack("<IIII", data, base + leaf)
                offset = _file_offset(table, rva, size)
                found.append((kind, name, language, data[offset : offset + size]))
                # A broken directory can list the same subdirectories over and over.
                if len(found) > MAX_RESOURCES:
                    raise PeError("more than %d resources" % MAX_RESOURCES)
    return machine, found


def _subdirectory(data, base, target):
    if not target & 0x80000000:
        raise PeError("resource directory is malformed")
    return _directory_entries(data, base, target & 0x7FFFFFFF)


def read_version_resource(data):
    """The machine name and the bytes of the program's first version resource."""
    machine, found = resources(data)
    for kind, _, _, block in found:
        if kind == RT_VERSION:
            return machine, block
    raise PeError("has no version resource")


def carried_tools(data):
    """The Microsoft boot tools a program carries (README: "Embedding the boot tools")."""
    _, found = resources(data)
    ids = {name for kind, name, _, _ in found if kind == "BIN"}
    return [tool for number, tool in TOOLS if number in ids]


def _align(offset):
    return (offset + 3) & ~3


def _parse_block(block, offset, end, depth):
    """One node of the version tree: (key, value bytes, is_text, children, length)."""
    if depth > MAX_DEPTH:
        raise PeError("version resource nests too deep")
    length, value_length, value_type = _unpack("<HHH", block, offset)
    if length < 6 or offset + length > end:
        raise PeError("version resource block at %d has a bad length" % offset)
    stop = offset + length
    key_end = offset + 6
    while True:
        if key_end + 2 > stop:
            raise PeError("version resource key is not terminated")
        if block[key_end : key_end + 2] == b"\0\0":
            break
        key_end += 2
    key = block[offset + 6 : key_end].decode("utf-16-le", "replace")
    position = _align(key_end + 2)
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = block[position : min(position + value_bytes, stop)]
    position = _align(position + value_bytes)
    children = []
    while position < stop:
        child = _parse_block(block, position, stop, depth + 1)
        children.append(child)
        position = _align(position + child[4])
    return key, value, value_type == 1, children, length


def _text(value):
    return value.decode("utf-16-le", "replace").split("\0", 1)[0]


def _version(most, least):
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def read_version_info(data):
    """What Explorer's file properties would show: machine, fixed versions, the strings."""
    machine, block = read_version_resource(data)
    key, fixed, _, children, _ = _parse_block(block, 0, len(block), 0)
    if key != "VS_VERSION_INFO":
        raise PeError("version resource starts with %r" % key)
    if len(fixed) < 52 or struct.unpack_from("<I", fixed, 0)[0] != FIXED_SIGNATURE:
        raise PeError("version resource has no fixed file info")
    fields = struct.unpack_from("<13I", fixed, 0)
    info = {
        "machine": machine,
        "fixedFileVersion": _version(fields[2], fields[3]),
        "fixedProductVersion": _version(fields[4], fields[5]),
        "translations": [],
        "strings": {},
    }
    for child_key, value, _, grandchildren, _ in children:
        if child_key == "StringFileInfo" and grandchildren and not info["strings"]:
            table_key, _, _, strings, _ = grandchildren[0]
            info["stringTable"] = table_key
            for name, text, _, _, _ in strings:
                info["strings"][name] = _text(text)
        elif child_key == "VarFileInfo":
            for var_key, var_value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    for i in range(0, len(var_value) - 3, 4):
                        language, code_page = struct.unpack_from("<HH", var_value, i)
                        info["translations"].append("%04x%04x" % (language, code_page))
    return info


def mismatches(info, machine=None, version=None, description=None, filename=None):
    """Each field that differs from what was asked, as a line for people."""
    expected = {"CompanyName": "Quenra", "ProductName": "Quenra NT Boot Repair"}
    if version is not None:
        numbers = (version.split(".") + ["0"] * 4)[:4]
        expected["fixedFileVersion"] = ".".join(str(int(n)) for n in numbers)
        expected["fixedProductVersion"] = expected["fixedFileVersion"]
        expected["FileVersion"] = version
        expected["ProductVersion"] = version
    if machine is not None:
        expected["machine"] = machine
    if description is not None:
        expected["FileDescription"] = description
    if filename is not None:
        expected["OriginalFilename"] = filename
    lines = []
    for field, want in expected.items():
        have = info.get(field, info["strings"].get(field))
        if have != want:
            lines.append("%s is %r, expected %r" % (field, have, want))
    if info.get("stringTable", "").lower()[4:] != "04b0" or (
        info["translations"] and info.get("stringTable", "").lower() not in info["translations"]
    ):
        lines.append(
            "string table %r does not match the translations %r"
            % (info.get("stringTable"), info["translations"])
        )
    return lines


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--machine")
    parser.add_argument("--version")
    parser.add_argument("--description")
    parser.add_argument("--filename")
    parser.add_argument("--tools", action="store_true")
    args = parser.parse_args(argv)
    try:
        with open(args.file, "rb") as f:
            data = f.read()
        if args.tools:
            for tool in carried_tools(data):
                print(tool)
            return 0
        info = read_version_info(data)
    except OSError as error:
        print("%s: cannot read: %s" % (args.file, error.strerror), file=sys.stderr)
        return 2
    except PeError as error:
        print("%s: %s" % (args.file, error), file=sys.stderr)
        return 2
    if not any((args.machine, args.version, args.description, args.filename)):
        print(json.dumps(info, ensure_ascii=False, indent=1))
        return 0
    lines = mismatches(info, args.machine, args.version, args.description, args.filename)
    for line in lines:
        print("%s: %s" % (args.file, line), file=sys.stderr)
    return 1 if lines else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
