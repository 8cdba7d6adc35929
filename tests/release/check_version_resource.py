#!/usr/bin/env python3
"""Checks what a built program's version resource says, field by field.

    check_version_resource.py --version 0.1.0 PROGRAM [--probe COMMAND...]

Without --probe the resource is read from the file (scripts/pe_version.py); with it, COMMAND
PROGRAM (the Wine loader running qn_version_probe.exe) reads it through Windows' own
GetFileVersionInfoW and VerQueryValueW. Exit code 1 naming each field that differs, or when
the program has no version resource.
"""
import argparse
import os
import re
import subprocess
import sys

# Nothing written into the source tree (scripts/__pycache__).
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import pe_version  # noqa: E402

# What Explorer's properties page must show, per program file.
DESCRIPTIONS = {
    "QNBootRepair.exe": "QuenraNT 引导修复工具",
    "QNBootRepair-sim.exe": "QuenraNT 引导修复工具（模拟机器演示版）",
}
COPYRIGHT = re.compile(r"^Copyright © 20\d\d Quenra$")


def expected_fields(version, file_name):
    numbers = ".".join((version.split(".") + ["0"] * 4)[:4])
    return {
        "fixedFileVersion": numbers,
        "fixedProductVersion": numbers,
        "translation": "080404b0",
        "CompanyName": "Quenra",
        "FileDescription": DESCRIPTIONS[file_name],
        "FileVersion": version,
        "InternalName": os.path.splitext(file_name)[0],
        "OriginalFilename": file_name,
        "ProductName": "Quenra NT Boot Repair",
        "ProductVersion": version,
    }


def fields_from_file(path):
    with open(path, "rb") as f:
        info = pe_version.read_version_info(f.read())
    fields = dict(info["strings"])
    fields["fixedFileVersion"] = info["fixedFileVersion"]
    fields["fixedProductVersion"] = info["fixedProductVersion"]
    fields["translation"] = info["translations"][0] if info["translations"] else None
    return fields


def fields_from_probe(command, path):
    run = subprocess.run(command + [path], capture_output=True, timeout=50)
    if run.returncode != 0:
        raise pe_version.PeError(
            "the probe ended with %d: %s"
            % (run.returncode, run.stderr.decode("utf-8", "replace").strip())
        )
    fields = {}
    for line in run.stdout.decode("utf-8").splitlines():
        name, _, value = line.partition("=")
        fields[name] = value
    return fields


def problems(fields, version, file_name):
    lines = []
    for name, want in expected_fields(version, file_name).items():
        if fields.get(name) != want:
            lines.append("%s is %r, expected %r" % (name, fields.get(name), want))
    if not COPYRIGHT.match(fields.get("LegalCopyright") or ""):
        lines.append("LegalCopyright is %r" % fields.get("LegalCopyright"))
    return lines


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("program")
    parser.add_argument("--probe", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    file_name = os.path.basename(args.program)
    try:
        if args.probe:
            fields = fields_from_probe(args.probe, args.program)
        else:
            fields = fields_from_file(args.program)
    except (OSError, pe_version.PeError, subprocess.TimeoutExpired) as error:
        print("%s: %s" % (args.program, error), file=sys.stderr)
        return 1
    lines = problems(fields, args.version, file_name)
    for line in lines:
        print("%s: %s" % (file_name, line), file=sys.stderr)
    for name, value in sorted(fields.items()):
        print("%s=%s" % (name, value))
    return 1 if lines else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
