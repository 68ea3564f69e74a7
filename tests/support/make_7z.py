#!/usr/bin/env python3
"""Writes minimal 7z archives with exactly the item names and attributes a test
needs, which 7zz itself refuses to store: names with "..", absolute, drive and
UNC names, link and reparse items, wrong checksums.

Every non-empty item is its own folder with the Copy method (no compression, no
solid block); empty files and folders carry no stream. Standard library only.

    python3 make_7z.py <output folder>      writes the crafted fixtures
"""
import binascii
import os
import struct
import sys

SIGNATURE = b"7z\xbc\xaf\x27\x1c"

# Property ids of the 7z header.
K_END = 0x00
K_HEADER = 0x01
K_MAIN_STREAMS_INFO = 0x04
K_FILES_INFO = 0x05
K_PACK_INFO = 0x06
K_UNPACK_INFO = 0x07
K_SUB_STREAMS_INFO = 0x08
K_SIZE = 0x09
K_CRC = 0x0A
K_FOLDER = 0x0B
K_CODERS_UNPACK_SIZE = 0x0C
K_EMPTY_STREAM = 0x0E
K_EMPTY_FILE = 0x0F
K_NAME = 0x11
K_WIN_ATTRIB = 0x15

FILE_ATTRIBUTE_DIRECTORY = 0x10
FILE_ATTRIBUTE_ARCHIVE = 0x20
FILE_ATTRIBUTE_REPARSE_POINT = 0x400
FILE_ATTRIBUTE_UNIX_EXTENSION = 0x8000
S_IFLNK = 0o120000


def number(value):
    """7z variable-length number: the count of leading 1 bits of the first byte
    gives the count of extra little-endian bytes."""
    if value < 0x80:
        return bytes([value])
    for extra in range(1, 9):
        if extra == 8 or value < (1 << (7 * (extra + 1))):
            mask = (0xFF << (8 - extra)) & 0xFF
            high = value >> (8 * extra) if extra < 8 else 0
            return bytes([mask | high]) + value.to_bytes(8, "little")[:extra]
    raise ValueError(value)


def bit_vector(bits):
    out = bytearray((len(bits) + 7) // 8)
    for i, bit in enumerate(bits):
        if bit:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def crc32(data):
    return binascii.crc32(data) & 0xFFFFFFFF


class Item:
    def __init__(self, name, data=None, attrib=None, is_dir=False, crc=None):
        self.name = name
        self.data = data          # bytes, or None for an empty file / a folder
        self.is_dir = is_dir
        self.attrib = attrib
        self.crc = crc            # stored checksum; None means the right one


def archive_bytes(items):
    streams = [it for it in items if it.data]
    packed = b"".join(it.data for it in streams)

    if not items:
        header = b""
    else:
        h = bytearray([K_HEADER])
        if streams:
            h += bytes([K_MAIN_STREAMS_INFO])
            h += bytes([K_PACK_INFO]) + number(0) + number(len(streams))
            h += bytes([K_SIZE]) + b"".join(number(len(it.data)) for it in streams)
            h += bytes([K_END])
            h += bytes([K_UNPACK_INFO, K_FOLDER]) + number(len(streams)) + b"\x00"
            for _ in streams:
                h += number(1) + bytes([0x01, 0x00])  # one coder: id size 1, Copy
            h += bytes([K_CODERS_UNPACK_SIZE]) + b"".join(number(len(it.data)) for it in streams)
            h += bytes([K_END])
            # One stream per folder; the item checksums live in the sub-streams part.
            h += bytes([K_SUB_STREAMS_INFO, K_CRC, 1])
            for it in streams:
                h += struct.pack("<I", crc32(it.data) if it.crc is None else it.crc)
            h += bytes([K_END])
            h += bytes([K_END])
        h += bytes([K_FILES_INFO]) + number(len(items))

        empty_stream = [not it.data for it in items]
        if any(empty_stream):
            vec = bit_vector(empty_stream)
            h += bytes([K_EMPTY_STREAM]) + number(len(vec)) + vec
            empties = [it for it in items if not it.data]
            empty_file = [not it.is_dir for it in empties]
            if any(empty_file):
                vec = bit_vector(empty_file)
                h += bytes([K_EMPTY_FILE]) + number(len(vec)) + vec

        names = b"\x00" + b"".join(it.name.encode("utf-16-le") + b"\x00\x00" for it in items)
        h += bytes([K_NAME]) + number(len(names)) + names

        attribs = []
        for it in items:
            a = it.attrib
            if a is None:
                a = FILE_ATTRIBUTE_DIRECTORY if it.is_dir else FILE_ATTRIBUTE_ARCHIVE
            attribs.append(a)
        body = b"\x01\x00" + b"".join(struct.pack("<I", a) for a in attribs)
        h += bytes([K_WIN_ATTRIB]) + number(len(body)) + body
        h += bytes([K_END])
        h += bytes([K_END])
        header = bytes(h)

    start = struct.pack("<QQI", len(packed), len(header), crc32(header) if header else 0)
    return SIGNATURE + b"\x00\x04" + struct.pack("<I", crc32(start)) + start + packed + header


def write(path, items):
    with open(path, "wb") as f:
        f.write(archive_bytes(items))


def symlink_reparse(target, relative):
    """Windows reparse data of a symbolic link (IO_REPARSE_TAG_SYMLINK)."""
    sub = target.encode("utf-16-le")
    prn = target.encode("utf-16-le")
    body = struct.pack("<HHHHI", 0, len(sub), len(sub), len(prn), 1 if relative else 0) + sub + prn
    return struct.pack("<IHH", 0xA000000C, len(body), 0) + body


def junction_reparse(target):
    """Windows reparse data of a junction (IO_REPARSE_TAG_MOUNT_POINT)."""
    sub = ("\\??\\" + target).encode("utf-16-le") + b"\x00\x00"
    prn = target.encode("utf-16-le") + b"\x00\x00"
    body = struct.pack("<HHHH", 0, len(sub) - 2, len(sub), len(prn) - 2) + sub + prn
    return struct.pack("<IHH", 0xA0000003, len(body), 0) + body


def linux_symlink_attrib():
    return FILE_ATTRIBUTE_UNIX_EXTENSION | FILE_ATTRIBUTE_ARCHIVE | ((S_IFLNK | 0o777) << 16)


def make_all(out):
    os.makedirs(out, exist_ok=True)

    # An archive without any item.
    write(os.path.join(out, "empty.7z"), [])

    # A well-formed reference archive made by this writer (checks the writer itself).
    write(os.path.join(out, "crafted_plain.7z"), [
        Item("top.txt", b"top\r\n"),
        Item("folder", is_dir=True),
        Item("folder/inner.txt", b"inner\r\n"),
        Item("folder/empty.txt"),
    ])

    # Names that point outside the output folder. Each file's content is its own
    # name, so the test can find where the library put it. The 7z format
    # separates folders with "/"; the forms with "\\" check that a backslash
    # inside a stored name is not taken as a separator.
    escapes = [
        "../escape_dotdot_slash.txt",
        "..\\escape_dotdot_backslash.txt",
        "a/../../escape_inner_dotdot.txt",
        "a/b/../../../../escape_deep_dotdot.txt",
        "./../escape_dot_dotdot.txt",
        "/escape_root_slash.txt",
        "\\escape_root_backslash.txt",
        "C:\\wi_escape_drive_abs.txt",
        "C:/wi_escape_drive_abs_slash.txt",
        "C:wi_escape_drive_rel.txt",
        "\\\\127.0.0.1\\c$\\wi_escape_unc.txt",
        "//127.0.0.1/c$/wi_escape_unc_slash.txt",
        "\\\\?\\C:\\wi_escape_long_prefix.txt",
        "\\\\.\\C:\\wi_escape_device_prefix.txt",
        "//?/C:/wi_escape_long_prefix_slash.txt",
        "//./C:/wi_escape_device_prefix_slash.txt",
        "..",
        "../..",
        "ok.txt:wi_escape_stream",
    ]
    write(os.path.join(out, "traversal.7z"),
          [Item("inside.txt", b"inside")] + [Item(n, n.encode("utf-8")) for n in escapes])

    # Link items (a stored link, then a file written "through" it), in the two
    # forms 7-Zip knows: Linux symbolic links (Unix mode in the high attribute
    # bits, target in the data) and Windows reparse data.
    write(os.path.join(out, "links.7z"), [
        Item("lin_rel", b"../..", attrib=linux_symlink_attrib()),
        Item("lin_rel/escape_via_linux_rel.txt", b"via linux relative link"),
        Item("lin_abs", b"/tmp", attrib=linux_symlink_attrib()),
        Item("lin_abs/escape_via_linux_abs.txt", b"via linux absolute link"),
        Item("win_sym", symlink_reparse("..\\..", True),
             attrib=FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE),
        Item("win_sym/escape_via_win_symlink.txt", b"via windows symbolic link"),
        Item("win_junction", junction_reparse("C:\\"),
             attrib=FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
        Item("win_junction/wi_escape_via_junction.txt", b"via junction"),
        Item("after_links.txt", b"after links"),
    ])

    # The second of three items has a wrong checksum: the first is written, the
    # extraction stops at the second, the third is never written.
    write(os.path.join(out, "badcrc.7z"), [
        Item("1_good.txt", b"first item"),
        Item("2_bad.txt", b"second item", crc=0x12345678),
        Item("3_never.txt", b"third item"),
    ])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_7z.py <output folder>")
    make_all(sys.argv[1])
