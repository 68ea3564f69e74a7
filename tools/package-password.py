#!/usr/bin/env python3
"""Prints the password of this build's interface packages.

The password is the MD5 digest (32 lower-case hex digits) of the package
phrase. The phrase is defined once, as kPackagePhrase in src/app/Secrets.h;
this tool reads it from there, so the packages and the program always agree.

    tools/package-password.py                 # the password
    tools/package-password.py --header FILE   # from another copy of Secrets.h
"""
import argparse
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def package_phrase(header_path):
    text = pathlib.Path(header_path).read_text()
    match = re.search(r'\bkPackagePhrase\s*\[\s*\]\s*=\s*"((?:[^"\\]|\\.)*)"\s*;', text)
    if not match:
        raise ValueError("kPackagePhrase not found in %s" % header_path)
    # A plain C string literal: decode its escapes as the compiler would.
    return match.group(1).encode("ascii").decode("unicode_escape").encode("latin-1")


def main(argv):
    parser = argparse.ArgumentParser(description="Prints the interface package password.")
    parser.add_argument("--header", default=str(ROOT / "src" / "app" / "Secrets.h"))
    args = parser.parse_args(argv)
    try:
        phrase = package_phrase(args.header)
    except (OSError, ValueError) as e:
        print("package-password: %s" % e, file=sys.stderr)
        return 2
    print(hashlib.md5(phrase).hexdigest())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
