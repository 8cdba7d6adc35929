#!/usr/bin/env python3
"""scripts/dist_pack.py over stand-in programs: what the zip of make dist holds, and how."""
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
# Nothing written into the source tree (scripts/__pycache__).
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "scripts"))
import dist_pack  # noqa: E402

PACK = [sys.executable, str(ROOT / "scripts" / "dist_pack.py")]
NOTE = "使用说明.txt"
# What a technician finds in the zip: both programs told apart by folder, the note, and the
# licence of everything the programs link.
EXPECTED_MEMBERS = [
    "x64/QNBootRepair.exe",
    "x86/QNBootRepair.exe",
    NOTE,
    "licenses/gcc-runtime-library-exception.txt",
    "licenses/gpl-3.0.txt",
    "licenses/mingw-w64-runtime.txt",
    "licenses/nlohmann-json.txt",
    "licenses/rapidxml.txt",
    "licenses/stb_image.txt",
    "licenses/winpthreads.txt",
    "licenses/zlib.txt",
]


class PacksTheRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        base = pathlib.Path(cls.folder.name)
        cls.programs = {"x64": b"MZ x64 stand-in\0" * 64, "x86": b"MZ x86 stand-in\0" * 48}
        for arch, data in cls.programs.items():
            (base / (arch + ".exe")).write_bytes(data)
        cls.zip = base / "dist" / "QNBootRepair-7.8.9.zip"
        run = subprocess.run(PACK + ["--version", "7.8.9", "--x64", str(base / "x64.exe"),
                                     "--x86", str(base / "x86.exe"),
                                     "--carried", "bcdboot.exe bcdedit.exe",
                                     "--out", str(cls.zip)], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        cls.stored = dist_pack.stored_names(cls.zip)
        with zipfile.ZipFile(cls.zip) as archive:
            cls.contents = {}
            for (name, _, raw, unicode_name), info in zip(cls.stored, archive.infolist()):
                cls.contents[unicode_name or raw.decode("ascii")] = archive.read(info)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_members_and_their_order(self):
        names = [unicode_name or raw.decode("ascii") for _, _, raw, unicode_name in self.stored]
        self.assertEqual(names, EXPECTED_MEMBERS)
        listed = subprocess.run(PACK + ["--list"], capture_output=True, text=True)
        self.assertEqual(listed.stdout.splitlines(), EXPECTED_MEMBERS)

    def test_note_name_reads_on_chinese_windows_and_elsewhere(self):
        # Explorer of Chinese Windows reads the bytes in code page 936 and ignores the UTF-8
        # flag; 7-Zip, WinRAR and unzip take the 0x7075 field.
        [(_, _, raw, unicode_name)] = [s for s in self.stored if s[3] is not None]
        self.assertEqual(raw, NOTE.encode("gbk"))
        self.assertEqual(unicode_name, NOTE)

    def test_programs_are_stored_unchanged(self):
        self.assertEqual(self.contents["x64/QNBootRepair.exe"], self.programs["x64"])
        self.assertEqual(self.contents["x86/QNBootRepair.exe"], self.programs["x86"])

    def test_text_files_open_in_notepad(self):
        for name in EXPECTED_MEMBERS[2:]:
            with self.subTest(name=name):
                data = self.contents[name]
                self.assertEqual(data.startswith(b"\xef\xbb\xbf"), name == NOTE)
                self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
                self.assertGreater(data.count(b"\r\n"), 10)
                data.decode("utf-8")

    def test_licences_are_the_texts_of_the_tree(self):
        for name in EXPECTED_MEMBERS[3:]:
            with self.subTest(name=name):
                source = (ROOT / "dist" / name).read_bytes()
                self.assertEqual(self.contents[name].replace(b"\r\n", b"\n").rstrip(),
                                 b"\n".join(line.rstrip() for line in source.split(b"\n")).rstrip())

    def test_note_is_filled_in(self):
        note = self.contents[NOTE].decode("utf-8-sig")
        self.assertNotRegex(note, r"@[A-Z]+@")
        self.assertIn("QuenraNT 引导修复工具 7.8.9 使用说明", note)
        self.assertIn("本压缩包中的程序：已随带 bcdboot.exe、bcdedit.exe。", note)

    def test_note_quotes_the_usage_and_names_every_switch(self):
        note = self.contents[NOTE].decode("utf-8-sig").replace("\r\n", "\n")
        usage = dist_pack.usage_text()
        self.assertIn("QNBootRepair.exe /diagnose", usage)
        self.assertIn(usage.rstrip("\n"), note)
        # Every switch the parser knows (its lower-case wide literals) is in the note.
        code = (ROOT / "src" / "app" / "command_line_options.cpp").read_text(encoding="utf-8")
        switches = set(re.findall(r'L"([a-z]+)"', code))
        self.assertGreaterEqual(len(switches), 10)
        for switch in sorted(switches):
            with self.subTest(switch=switch):
                self.assertIn("/" + switch, note)


class FailsCleanly(unittest.TestCase):
    def test_a_missing_program_leaves_no_zip(self):
        with tempfile.TemporaryDirectory() as folder:
            base = pathlib.Path(folder)
            (base / "x64.exe").write_bytes(b"MZ")
            out = base / "dist" / "QNBootRepair-1.0.0.zip"
            run = subprocess.run(PACK + ["--version", "1.0.0", "--x64", str(base / "x64.exe"),
                                         "--x86", str(base / "gone.exe"), "--out", str(out)],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 1)
            self.assertIn("cannot read the x86 program", run.stderr)
            self.assertEqual(os.listdir(out.parent) if out.parent.exists() else [], [])

    def test_without_carried_tools_the_note_says_so(self):
        with tempfile.TemporaryDirectory() as folder:
            base = pathlib.Path(folder)
            (base / "x.exe").write_bytes(b"MZ")
            out = base / "QNBootRepair-1.0.0.zip"
            dist_pack.pack(out, "1.0.0", base / "x.exe", base / "x.exe", [])
            stored = dist_pack.stored_names(out)
            with zipfile.ZipFile(out) as archive:
                note = archive.read(archive.infolist()[2]).decode("utf-8-sig")
            self.assertEqual(stored[2][3], NOTE)
            self.assertIn("本压缩包中的程序：未随带这些工具", note)


if __name__ == "__main__":
    unittest.main(verbosity=1)
