#!/usr/bin/env python3
"""Packs the release zip that scripts/dist.sh builds (make dist).

    dist_pack.py --version 0.1.0 --x64 EXE --x86 EXE --carried "bcdboot.exe ..." --out ZIP
    dist_pack.py --list       the members, one a line, without packing
    dist_pack.py --show ZIP   what a zip holds: size and name, as 7-Zip would show the name

The zip holds both programs (x64/, x86/), the usage note (dist/usage_note.zh.txt with its
placeholders filled, as UTF-8 with a BOM and CR LF line ends, which Notepad of every Windows
shows) and the licence texts of what the programs link (dist/licenses, CR LF). It is written
beside its final name and moved there once complete, so a failed run leaves no half zip.
"""
import argparse
import os
import pathlib
import re
import sys
import time
import zipfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
NOTE = ROOT / "dist" / "usage_note.zh.txt"
LICENSES = ROOT / "dist" / "licenses"
NOTE_NAME = "使用说明.txt"
PROGRAMS = ("x64/QNBootRepair.exe", "x86/QNBootRepair.exe")
# Where the switches the note quotes come from, and the function that prints them.
USAGE_SOURCE = ROOT / "src" / "app" / "command_line_options.cpp"
ARCHIVE_NAME_CODE_PAGE = "gbk"


class DistError(Exception):
    pass


def members():
    """Every member of the zip, in order."""
    licenses = sorted(p.name for p in LICENSES.glob("*.txt"))
    return list(PROGRAMS) + [NOTE_NAME] + ["licenses/" + name for name in licenses]


def usage_text(source=USAGE_SOURCE):
    """The text UsageText() returns, read from its C++ string literals."""
    try:
        code = source.read_text(encoding="utf-8")
    except OSError as error:
        raise DistError("cannot read %s: %s" % (source, error.strerror))
    match = re.search(r"std::wstring UsageText\(\)\s*\{\s*return\s+(.*?);\s*\}", code, re.S)
    if not match:
        raise DistError("%s has no UsageText() to quote" % source)
    literals = re.findall(r'L"((?:[^"\\]|\\.)*)"', match.group(1))
    text = "".join(literals)
    for escape, character in (("\\r", "\r"), ("\\n", "\n"), ('\\"', '"'), ("\\\\", "\\")):
        text = text.replace(escape, character)
    return text.replace("\r\n", "\n")


def windows_text(text, bom=False):
    """Text as Notepad wants it: CR LF line ends (and, for the note, a UTF-8 BOM)."""
    lines = text.replace("\r\n", "\n").split("\n")
    body = "\r\n".join(line.rstrip() for line in lines).encode("utf-8")
    return (b"\xef\xbb\xbf" + body) if bom else body


def usage_note(version, carried):
    note = NOTE.read_text(encoding="utf-8")
    carried_text = (
        "已随带 " + "、".join(carried) + "。"
        if carried
        else "未随带这些工具，使用系统自己的副本。"
    )
    for key, value in (
        ("@VERSION@", version),
        ("@USAGE@", usage_text().rstrip("\n")),
        ("@CARRIED@", carried_text),
    ):
        if key not in note:
            raise DistError("%s lacks %s" % (NOTE, key))
        note = note.replace(key, value)
    return windows_text(note, bom=True)


class _ZipMember(zipfile.ZipInfo):
    """A member whose name is stored in the code page of Chinese Windows (whose Explorer reads
    names in its own code page and ignores the UTF-8 flag), with the name in UTF-8 beside it in
    an Info-ZIP Unicode Path field (0x7075) for 7-Zip, WinRAR and unzip."""

    def _encodeFilenameFlags(self):
        return self.filename.encode(ARCHIVE_NAME_CODE_PAGE), self.flag_bits & ~0x800


def _member_info(name, stamp):
    info = _ZipMember(name, date_time=stamp)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS: attributes below are Windows' own
    info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
    if not name.isascii():
        stored = name.encode(ARCHIVE_NAME_CODE_PAGE)
        utf8 = name.encode("utf-8")
        field = b"\x01" + zlib.crc32(stored).to_bytes(4, "little") + utf8
        info.extra = b"\x75\x70" + len(field).to_bytes(2, "little") + field
    return info


def stored_names(path):
    """Each member's (name, size, raw name bytes, UTF-8 name from its 0x7075 field or None)."""
    found = []
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            raw = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
            unicode_name = None
            extra = info.extra
            while len(extra) >= 4:
                kind = int.from_bytes(extra[0:2], "little")
                size = int.from_bytes(extra[2:4], "little")
                field = extra[4 : 4 + size]
                if kind == 0x7075 and len(field) >= 5 and field[0] == 1:
                    if int.from_bytes(field[1:5], "little") == zlib.crc32(raw):
                        unicode_name = field[5:].decode("utf-8")
                extra = extra[4 + size :]
            found.append((info.filename, info.file_size, raw, unicode_name))
    return found


def _read(path, what):
    try:
        return pathlib.Path(path).read_bytes()
    except OSError as error:
        raise DistError("cannot read %s %s: %s" % (what, path, error.strerror))


def pack(out, version, x64, x86, carried):
    contents = {
        PROGRAMS[0]: _read(x64, "the x64 program"),
        PROGRAMS[1]: _read(x86, "the x86 program"),
        NOTE_NAME: usage_note(version, carried),
    }
    for name in members():
        if name.startswith("licenses/"):
            text = _read(LICENSES / name[len("licenses/") :], "licence").decode("utf-8")
            contents[name] = windows_text(text)
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", time.time()))
    stamp = time.localtime(epoch)[:6]
    out = pathlib.Path(out)
    out.parent.mkdir(parents=True, exist_ok=True)
    partial = out.with_name(out.name + ".partial")
    try:
        with zipfile.ZipFile(partial, "w", compresslevel=9) as archive:
            for name in members():
                archive.writestr(_member_info(name, stamp), contents[name])
        os.replace(partial, out)
    except BaseException:
        partial.unlink(missing_ok=True)
        raise


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--show", metavar="ZIP")
    parser.add_argument("--version")
    parser.add_argument("--x64")
    parser.add_argument("--x86")
    parser.add_argument("--carried", default="", help="the boot tools the programs carry")
    parser.add_argument("--out")
    args = parser.parse_args(argv)
    if args.list:
        print("\n".join(members()))
        return 0
    if args.show:
        for _, size, raw, unicode_name in stored_names(args.show):
            print("%9d  %s" % (size, unicode_name or raw.decode("ascii", "replace")))
        return 0
    if not all((args.version, args.x64, args.x86, args.out)):
        parser.error("--version, --x64, --x86 and --out are needed")
    try:
        pack(args.out, args.version, args.x64, args.x86, args.carried.split())
    except DistError as error:
        print("dist: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
