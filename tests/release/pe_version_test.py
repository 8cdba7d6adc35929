#!/usr/bin/env python3
"""scripts/pe_version.py against built programs and broken copies of them.

    pe_version_test.py WITH_VERSION.exe WITHOUT_VERSION.exe

WITH_VERSION is QNBootRepair-sim.exe (a version resource, and the five boot tools' markers),
WITHOUT_VERSION a program of ours without one (qnboot-inspect.exe).
"""
import contextlib
import io
import os
import random
import sys
import unittest

# Nothing written into the source tree (scripts/__pycache__).
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import pe_version  # noqa: E402

WITH_VERSION, WITHOUT_VERSION = sys.argv[1:3]
del sys.argv[1:3]


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ReadsBuiltPrograms(unittest.TestCase):
    def test_the_simulated_program(self):
        info = pe_version.read_version_info(read(WITH_VERSION))
        self.assertEqual(info["machine"], "x64")
        self.assertEqual(info["strings"]["OriginalFilename"], "QNBootRepair-sim.exe")
        self.assertIn("引导修复工具", info["strings"]["FileDescription"])
        self.assertEqual(info["translations"], ["080404b0"])
        self.assertEqual(
            pe_version.carried_tools(read(WITH_VERSION)),
            ["bcdboot.exe", "bcdedit.exe", "bootsect.exe", "ntldr", "NTDETECT.COM"],
        )

    def test_a_program_without_version_resource_is_refused(self):
        data = read(WITHOUT_VERSION)
        with self.assertRaisesRegex(pe_version.PeError, "no version resource"):
            pe_version.read_version_info(data)
        self.assertEqual(pe_version.carried_tools(data), [])

    def test_files_that_are_no_program(self):
        for data in (b"", b"MZ", b"plain text, no program", b"MZ" + b"\0" * 0x40,
                     b"MZ" + b"\0" * 0x3A + b"\x40\0\0\0" + b"PE\0\0"):
            with self.subTest(data=data[:16]):
                with self.assertRaises(pe_version.PeError):
                    pe_version.read_version_info(data)


class SurvivesBrokenFiles(unittest.TestCase):
    """A cut or damaged program gives a PeError or a reading, never another exception."""

    def setUp(self):
        self.data = read(WITH_VERSION)
        _, table, rva = pe_version.read_machine_and_sections(self.data)
        start = pe_version._file_offset(table, rva, 16)
        # The resource section: what the reader walks besides the headers.
        self.resources = (start, min(len(self.data), start + 64 * 1024))

    def check(self, data):
        try:
            pe_version.read_version_info(data)
            pe_version.carried_tools(data)
        except pe_version.PeError:
            pass

    def test_cut_short(self):
        start, end = self.resources
        cuts = list(range(0, 1024, 7)) + list(range(start, end, 97))
        for cut in cuts:
            with self.subTest(cut=cut):
                self.check(self.data[:cut])
        # Cut inside the resources, the version resource cannot be read whole.
        with self.assertRaises(pe_version.PeError):
            pe_version.read_version_info(self.data[: start + 64])

    def test_damaged_bytes(self):
        randomness = random.Random(20261209)
        start, end = self.resources
        for trial in range(400):
            data = bytearray(self.data)
            low, high = (0, 1024) if trial % 2 else (start, end)
            for _ in range(randomness.randint(1, 4)):
                data[randomness.randrange(low, high)] = randomness.randrange(256)
            with self.subTest(trial=trial):
                self.check(bytes(data))


class ComparesWithWhatIsExpected(unittest.TestCase):
    def test_each_differing_field_is_named(self):
        info = pe_version.read_version_info(read(WITH_VERSION))
        version = info["strings"]["FileVersion"]
        right = dict(machine="x64", version=version,
                     description=info["strings"]["FileDescription"],
                     filename="QNBootRepair-sim.exe")
        self.assertEqual(pe_version.mismatches(info, **right), [])
        cases = [
            ("machine", "x86", "machine"),
            ("version", "9.8.7", "FileVersion"),
            ("version", "9.8.7", "fixedFileVersion"),
            ("description", "QuenraNT 引导修复工具", "FileDescription"),
            ("filename", "QNBootRepair.exe", "OriginalFilename"),
        ]
        for field, value, named in cases:
            with self.subTest(field=field, named=named):
                lines = pe_version.mismatches(info, **dict(right, **{field: value}))
                self.assertTrue(any(line.startswith(named + " ") for line in lines), lines)

    def test_exit_codes(self):
        info = pe_version.read_version_info(read(WITH_VERSION))
        cases = [
            ([WITH_VERSION, "--version", info["strings"]["FileVersion"]], 0),
            ([WITH_VERSION, "--version", "9.8.7"], 1),
            ([WITHOUT_VERSION, "--version", "0.1.0"], 2),
            ([WITH_VERSION + ".missing", "--version", "0.1.0"], 2),
        ]
        for argv, code in cases:
            with self.subTest(argv=argv):
                with contextlib.redirect_stderr(io.StringIO()):
                    self.assertEqual(pe_version.main(argv), code)


if __name__ == "__main__":
    unittest.main(verbosity=1)
