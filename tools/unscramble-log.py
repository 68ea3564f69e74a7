#!/usr/bin/env python3
"""Turns a scrambled WebInstaller log back into text.

Outside debug mode the installer writes each log line as hexadecimal digits:
the line's UTF-16LE bytes, each combined with a one-byte key by exclusive-or.

    tools/unscramble-log.py WebInstaller_4242.log            # prints the text
    tools/unscramble-log.py WebInstaller_4242.log -o out.txt

A plain (debug mode) log is printed unchanged.
"""
import argparse
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def scramble_key():
    """The key is defined once, in the logger's header."""
    header = (ROOT / "src" / "diagnostics" / "Logger.h").read_text()
    match = re.search(r"kScrambleKey\s*=\s*(0x[0-9A-Fa-f]+|\d+)", header)
    if not match:
        sys.exit("unscramble-log: scramble key not found in src/diagnostics/Logger.h")
    return int(match.group(1), 0)


def unscramble(data: bytes, key: int) -> str:
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    text = data.decode("ascii", errors="replace").strip()
    if not re.fullmatch(r"[0-9A-F]*", text) or len(text) % 4:
        # Not scrambled: a debug-mode log.
        return data.decode("utf-8", errors="replace").replace("\r\n", "\n")
    raw = bytes(int(text[i:i + 2], 16) ^ key for i in range(0, len(text), 2))
    return raw.decode("utf-16-le", errors="replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("log")
    parser.add_argument("-o", "--output")
    args = parser.parse_args()
    text = unscramble(pathlib.Path(args.log).read_bytes(), scramble_key())
    if args.output:
        pathlib.Path(args.output).write_text(text, encoding="utf-8")
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
