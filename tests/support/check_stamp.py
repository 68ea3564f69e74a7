#!/usr/bin/env python3
"""tools/stamp.py on small PE images made here: the stamped end is aligned for
the signature that follows, a new stamp replaces the old one, and what the
program would refuse is refused when stamping."""
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
STAMP = ROOT / "tools" / "stamp.py"


def pe_image(size, signed=False):
    """A PE32 image of `size` bytes: DOS header, NT headers, filler."""
    data = bytearray(size)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, 0x80)
    data[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<H", data, 0x80 + 24, 0x10B)
    if signed:
        struct.pack_into("<II", data, 0x80 + 152, size - 64, 64)
    return bytes(data)


def stamp(*args):
    return subprocess.run([sys.executable, str(STAMP), *map(str, args)], capture_output=True, text=True)


class StampTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = pathlib.Path(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def file(self, name, data):
        path = self.dir / name
        path.write_bytes(data)
        return path

    def test_block_ends_aligned_in_front_of_where_the_table_goes(self):
        for size in (1024, 1027, 1031):
            original = pe_image(size)
            path = self.file("a%d.exe" % size, original)
            r = stamp("write", path, "src=mail", "city=Z\u00fcrich", "eq=a=b")
            self.assertEqual(0, r.returncode, r.stderr)
            data = path.read_bytes()
            self.assertEqual(0, len(data) % 8, size)
            self.assertEqual(original, data[:size])  # nothing before the block changes
            x, version, marker = struct.unpack(">II4s", data[-12:])
            self.assertEqual((size, 1, b"QVRk"), (x, version, marker))
            pairs = b"src\0mail\0city\0Z\xfcrich\0eq\0a=b\0\0"
            self.assertEqual(pairs, data[x:x + len(pairs)])
            self.assertFalse(any(data[x + len(pairs):-12]))  # NUL padding only
            r = stamp("read", path)
            self.assertEqual("src=mail\ncity=Z\u00fcrich\neq=a=b\n", r.stdout)

    def test_a_new_stamp_replaces_the_old_one(self):
        path = self.file("b.exe", pe_image(2000))
        self.assertEqual(0, stamp("write", path, "a=" + "x" * 300).returncode)
        out = self.dir / "copy.exe"
        self.assertEqual(0, stamp("write", path, "-o", out, "b=2").returncode)
        self.assertEqual("b=2\n", stamp("read", out).stdout)
        self.assertEqual(2024, out.stat().st_size)  # 2000, "b\0" "2\0" "\0", padding, trailer
        self.assertEqual(1, stamp("read", self.file("plain.exe", pe_image(2000))).returncode)

    def test_refused(self):
        cases = {
            "signed": (pe_image(4096, signed=True), ["a=1"]),
            "empty value": (pe_image(1024), ["a="]),
            "empty key": (pe_image(1024), ["=1"]),
            "no =": (pe_image(1024), ["a"]),
            "too large": (pe_image(1024), ["a=" + "x" * 10000]),
            "not a PE file": (b"MZ" + bytes(200), ["a=1"]),
        }
        for name, (data, pairs) in cases.items():
            path = self.file("r.exe", data)
            r = stamp("write", path, *pairs)
            self.assertEqual(2, r.returncode, name)
            self.assertEqual(data, path.read_bytes(), name)  # left as it was


if __name__ == "__main__":
    unittest.main()
