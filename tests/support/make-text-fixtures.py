#!/usr/bin/env python3
"""Writes the text files that the file command pages read, one per encoding
the reader knows, into the folder given as the only argument.

    utf16be.txt  FE FF and UTF-16BE      utf16le.txt  FF FE and UTF-16LE
    utf8bom.txt  EF BB BF and UTF-8      utf8.txt     UTF-8 without a mark
    ansi.txt     8-bit text that is not UTF-8 (code page 1252)
    bomonly.txt  FF FE and nothing else (an empty text)
"""
import pathlib
import sys

TEXT = "Gr\u00fc\u00dfe\r\n\u20ac A"  # the pages expect this text

out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
files = {
    "utf16be.txt": b"\xfe\xff" + TEXT.encode("utf-16-be"),
    "utf16le.txt": b"\xff\xfe" + TEXT.encode("utf-16-le"),
    "utf8bom.txt": b"\xef\xbb\xbf" + TEXT.encode("utf-8"),
    "utf8.txt": TEXT.encode("utf-8"),
    "ansi.txt": "caf\u00e9 \u20ac".encode("cp1252"),
    "bomonly.txt": b"\xff\xfe",
}
for name, data in files.items():
    (out / name).write_bytes(data)
