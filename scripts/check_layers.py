#!/usr/bin/env python3
"""Fails when a source folder includes a folder above it, so the layers stay as drawn.

    check_layers.py SRC_DIR

Each folder of src/ may include its own files and those of the folders before it in LAYERS;
fakes and Win32 adapters (fake/, win32/) belong to their folder.
"""
import os
import re
import sys

# Lowest first. Folders on one line of the README's Layout are in this order too.
LAYERS = ["platform", "boot", "disk", "ui", "diagnosis", "record", "run", "repair", "undo",
          "editor", "report", "app", "sim"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def upward_includes(src):
    rank = {name: i for i, name in enumerate(LAYERS)}
    found = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            owner = os.path.relpath(path, src).split(os.sep)[0]
            if owner not in rank:
                found.append((path, "", "folder %s has no place in the layers" % owner))
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for included in INCLUDE.findall(text):
                target = included.split("/")[0]
                if target in rank and rank[target] > rank[owner]:
                    found.append((path, included, "%s is above %s" % (target, owner)))
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..",
                                                             "src")
    found = upward_includes(src)
    for path, included, why in found:
        print("%s: includes \"%s\": %s" % (os.path.relpath(path, src), included, why))
    if found:
        print("%d include(s) run upward; layers: %s" % (len(found), " -> ".join(LAYERS)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
