#!/usr/bin/env python3
"""Checks tools/unscramble-log.py on a scrambled log written by the real logger
(under Wine) against the plain log of the same lines written in debug mode.
The time stamps may differ between the two files; everything after them must not.
usage: check_unscramble.py SCRAMBLED PLAIN"""
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
scrambled, plain = sys.argv[1], sys.argv[2]
raw = pathlib.Path(scrambled).read_bytes()
assert raw.startswith(b"\xef\xbb\xbf"), "scrambled log lacks the byte-order mark"
assert all(c in b"0123456789ABCDEF" for c in raw[3:]), "scrambled log holds more than hex digits"
out = subprocess.run([sys.executable, str(ROOT / "tools" / "unscramble-log.py"), scrambled],
                     check=True, capture_output=True).stdout.decode("utf-8")
expected = pathlib.Path(plain).read_bytes()[3:].decode("utf-8").replace("\r\n", "\n")


def without_stamps(text):
    return [line.split(" | ", 1)[1] for line in text.splitlines()]


got, want = without_stamps(out), without_stamps(expected)
assert len(want) == 2, want
assert got == want, f"unscrambled {got!r} != plain {want!r}"
print("unscramble-log: round trip ok:", got[1])
