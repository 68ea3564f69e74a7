#!/usr/bin/env bash
# Makes the 7z archives of the extraction tests into <output folder>:
# with 7zz the archives a packer really makes (coders, passwords, folders), and
# with make_7z.py the crafted ones 7zz refuses to write (escaping names, links,
# wrong checksums, no items). Run by the CMake target extract_fixtures.
set -euo pipefail
OUT="${1:?usage: make-extract-fixtures.sh <output folder>}"
HERE="$(cd "$(dirname "$0")" && pwd)"
SEVENZ="${SEVENZ:-7zz}"
PASSWORD="0123456789abcdef0123456789abcdef"   # the package password's form: 32 hex digits

rm -rf "$OUT"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# Source tree: nested folders, an empty folder, an empty file, text and binary data.
SRC="$WORK/src"
mkdir -p "$SRC/nested/deeper/deepest" "$SRC/empty_folder"
printf 'alpha\r\n' > "$SRC/a.txt"
printf 'bravo\r\n' > "$SRC/nested/b.txt"
printf 'charlie\r\n' > "$SRC/nested/deeper/c.txt"
: > "$SRC/nested/empty.txt"
python3 - "$SRC/nested/deeper/deepest/d.bin" <<'EOF'
import random, sys
rnd = random.Random(7)
# Half-compressible data: runs of text with random bytes between them.
parts = []
for i in range(2000):
    parts.append(("line %d of the test data\r\n" % i).encode())
    parts.append(bytes(rnd.randrange(256) for _ in range(16)))
open(sys.argv[1], "wb").write(b"".join(parts))
EOF
# x86 code for the branch filter: a copy of this machine's 7zz binary, cut to 256 KiB.
head -c 262144 "$(command -v "$SEVENZ")" > "$SRC/nested/code.bin"

pack() {  # pack <archive> <7zz switches...>
    local archive="$1"
    shift
    (cd "$SRC" && "$SEVENZ" a -t7z -bso0 -bsp0 "$@" "$OUT/$archive" . >/dev/null)
}

pack plain.7z -m0=LZMA
pack lzma2.7z -m0=LZMA2
pack lzma_bcj.7z -m0=BCJ -m1=LZMA

# Encrypted like the interface package (BCJ + LZMA + 7zAES). The salt and IV
# are random: remake until a wrong and an empty password both give a data
# error (not, by chance, a checksum error), so the expected result is fixed.
for attempt in $(seq 1 20); do
    rm -f "$OUT/encrypted.7z"
    pack encrypted.7z -m0=BCJ -m1=LZMA -mhe=off "-p$PASSWORD"
    wrong="$("$SEVENZ" t -pwrong "$OUT/encrypted.7z" 2>&1 || true)"
    empty="$("$SEVENZ" t -p "$OUT/encrypted.7z" 2>&1 </dev/null || true)"
    if grep -q "Data Error in encrypted file" <<<"$wrong" && grep -q "Data Error in encrypted file" <<<"$empty"; then
        break
    fi
    if [ "$attempt" = 20 ]; then
        echo "make-extract-fixtures: no encrypted archive with data errors for wrong passwords" >&2
        exit 1
    fi
done
# Copy method + 7zAES: a wrong password decrypts to garbage of the right size: checksum error.
pack encrypted_copy.7z -m0=Copy -mhe=off "-p$PASSWORD"
# Encrypted names too: the password is needed to open the archive.
pack encrypted_headers.7z -m0=LZMA -mhe=on "-p$PASSWORD"

# Damaged: the packed data of the LZMA archive overwritten in its middle.
cp "$OUT/plain.7z" "$OUT/damaged.7z"
python3 - "$OUT/damaged.7z" <<'EOF'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
for i in range(200, 1200):
    data[i] ^= 0x5A
open(path, "wb").write(data)
EOF
# Truncated: the header at the end is missing.
head -c 4000 "$OUT/plain.7z" > "$OUT/truncated.7z"
# Not an archive at all.
printf 'this is not an archive\r\n' > "$OUT/notarchive.7z"

python3 "$HERE/make_7z.py" "$OUT"

# The packed tree itself, to compare the extracted files with.
cp -r "$SRC" "$OUT/source"

printf '%s\n' "$PASSWORD" > "$OUT/password.txt"
touch "$OUT/.stamp"
