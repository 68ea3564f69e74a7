#!/usr/bin/env python3
"""Stamps per-download parameters into the installer, or reads them back.

Usage
    stamp.py write FILE [-o OUT] [--encoding CP] KEY=VALUE...
        Writes the pairs as a parameter block with its 12-byte trailer at the
        end of FILE (or of a copy, OUT). A block stamped before is replaced.
    stamp.py read FILE [--encoding CP]
        Prints the pairs of FILE's block, one KEY=VALUE line each, in block
        order. Exit code 1 when FILE carries no block.

Stamp, then sign. The program finds the block through the certificate table:
the trailer must end exactly where the table begins. A signing tool appends
the table at the end of the file (8-byte aligned), so stamping the unsigned
file, with its end aligned to 8 bytes, puts the block directly in front of the
table. The block then lies inside the bytes the signature's hash covers: the
stamped values cannot be changed without breaking the signature. A file that
is already signed is refused.

Layout (offsets in the file; C = offset of the certificate table):
    X        block: KEY NUL VALUE NUL ... NUL, then NUL padding to the alignment
    C - 12   X, unsigned 32-bit big-endian
    C - 8    version 1, big-endian
    C - 4    marker "QVRk"
The program reads at most 10,000 block bytes, needs non-empty keys and values,
and treats the bytes as text in the system's ANSI code page (cp1252 on Western
systems; --encoding names another one).
"""

import argparse
import shutil
import struct
import sys

MARKER = b"QVRk"
VERSION = 1
TRAILER_SIZE = 12
MAX_BLOCK = 10000
ALIGNMENT = 8


class StampError(Exception):
    pass


def security_directory(data):
    """(field offset, table offset, table size) of the PE security directory."""
    if len(data) < 64 or data[:2] != b"MZ":
        raise StampError("not a PE file (no MZ header)")
    nt = struct.unpack_from("<I", data, 0x3C)[0]
    if nt + 24 + 2 > len(data) or data[nt:nt + 4] != b"PE\0\0":
        raise StampError("not a PE file (no PE signature)")
    magic = struct.unpack_from("<H", data, nt + 24)[0]
    if magic == 0x10B:
        directories = nt + 24 + 96
    elif magic == 0x20B:
        directories = nt + 24 + 112
    else:
        raise StampError("unknown optional header magic %#x" % magic)
    field = directories + 4 * 8  # entry 4: the certificate table
    if field + 8 > len(data):
        raise StampError("truncated PE headers")
    offset, size = struct.unpack_from("<II", data, field)
    return field, offset, size


def find_block(data, end):
    """(X, block bytes) when a valid trailer ends at `end`, else None."""
    if end < TRAILER_SIZE or end > len(data):
        return None
    x, version, marker = struct.unpack_from(">II4s", data, end - TRAILER_SIZE)
    if version != VERSION or marker != MARKER or x > end - TRAILER_SIZE:
        return None
    return x, data[x:end - TRAILER_SIZE]


def parse_block(block):
    """The pairs of a block, as the program reads them."""
    pairs = []
    offset = 0
    while offset < len(block):
        key_end = block.find(b"\0", offset)
        if key_end < 0:
            raise StampError("key at offset %d has no NUL" % offset)
        if key_end == offset:
            break
        key = block[offset:key_end]
        offset = key_end + 1
        value_end = block.find(b"\0", offset)
        if value_end <= offset:
            raise StampError("value of %r at offset %d is empty or has no NUL" % (key, offset))
        pairs.append((key, block[offset:value_end]))
        offset = value_end + 1
    return pairs


def build_block(pairs, start, encoding):
    """Block bytes for the pairs, padded so that start + block + trailer is aligned."""
    block = bytearray()
    for key, value in pairs:
        k = key.encode(encoding)
        v = value.encode(encoding)
        if not k or not v:
            raise StampError("keys and values must not be empty: %r=%r" % (key, value))
        if b"\0" in k or b"\0" in v:
            raise StampError("keys and values must not hold NUL: %r=%r" % (key, value))
        block += k + b"\0" + v + b"\0"
    block += b"\0"  # an empty key ends the pairs, whatever padding follows
    block += b"\0" * (-(start + len(block) + TRAILER_SIZE) % ALIGNMENT)
    if len(block) > MAX_BLOCK:
        raise StampError("block of %d bytes is larger than %d" % (len(block), MAX_BLOCK))
    return bytes(block)


def split_pair(text):
    key, sep, value = text.partition("=")
    if not sep:
        raise StampError("expected KEY=VALUE, got %r" % text)
    return key, value


def write(path, out, pair_texts, encoding):
    with open(path, "rb") as f:
        data = f.read()
    _, table, _ = security_directory(data)
    if table:
        raise StampError("%s is already signed: stamp the unsigned file, then sign it" % path)
    pairs = [split_pair(t) for t in pair_texts]
    existing = find_block(data, len(data))
    start = existing[0] if existing else len(data)  # a block stamped before is replaced
    block = build_block(pairs, start, encoding)
    stamped = data[:start] + block + struct.pack(">II4s", start, VERSION, MARKER)
    assert len(stamped) % ALIGNMENT == 0
    with open(out or path, "wb") as f:
        f.write(stamped)
    if out:
        shutil.copymode(path, out)


def read(path, encoding):
    with open(path, "rb") as f:
        data = f.read()
    _, table, _ = security_directory(data)
    found = find_block(data, table if table else len(data))
    if not found:
        return None
    return [(k.decode(encoding), v.decode(encoding)) for k, v in parse_block(found[1])]


def main(argv):
    usage = "stamp.py write FILE [-o OUT] [--encoding CP] KEY=VALUE... | stamp.py read FILE [--encoding CP]"
    if not argv or argv[0] not in ("write", "read"):
        print("usage: " + usage, file=sys.stderr)
        return 2
    parser = argparse.ArgumentParser(prog="stamp.py " + argv[0], usage=usage)
    parser.add_argument("file")
    parser.add_argument("--encoding", default="cp1252")
    if argv[0] == "write":
        parser.add_argument("pairs", nargs="*", metavar="KEY=VALUE")
        parser.add_argument("-o", "--out", help="write a stamped copy instead of changing FILE")
    args = parser.parse_intermixed_args(argv[1:])
    try:
        if argv[0] == "write":
            write(args.file, args.out, args.pairs, args.encoding)
            return 0
        pairs = read(args.file, args.encoding)
        if pairs is None:
            print("%s: no stamped block" % args.file, file=sys.stderr)
            return 1
        for key, value in pairs:
            print("%s=%s" % (key, value))
        return 0
    except (StampError, OSError, UnicodeError) as e:
        print("stamp.py: %s" % e, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
