#!/usr/bin/env bash
# Stamp, sign, read back: stamps a copy of a test program with tools/stamp.py,
# signs it with osslsigncode (a throw-away key and certificate made here), and
# checks that
#   - stamp.py reads the pairs back from the signed file,
#   - the signature covers the block (a changed block byte breaks it),
#   - the program's own reader finds the block when the copy runs under Wine
#     (its test AdvDataSigned, which compares with WEBINSTALLER_STAMPED_EXPECT),
#   - a signed copy without a block keeps the stamped data at "{}".
# usage: stamp-roundtrip.sh <unit_app.exe> <work folder>
set -euo pipefail
EXE="${1:?usage: stamp-roundtrip.sh <unit_app.exe> <work folder>}"
WORK="${2:?usage: stamp-roundtrip.sh <unit_app.exe> <work folder>}"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
STAMP="python3 $ROOT/tools/stamp.py"

rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Stamp Round Trip Test" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
sign() {  # sign <in> <out>
    osslsigncode sign -certs cert.pem -key key.pem -n "Stamp round trip" -in "$1" -out "$2" >/dev/null
}

# An end that is not 8-byte aligned, so the stamp's padding matters.
cp "$EXE" unsigned.exe
printf 'abc' >> unsigned.exe
$STAMP write unsigned.exe -o stamped.exe src=mail lang=en "campaign=spring 24"
sign stamped.exe signed.exe

read_back="$($STAMP read signed.exe)"
expected_lines=$'src=mail\nlang=en\ncampaign=spring 24'
if [ "$read_back" != "$expected_lines" ]; then
    echo "stamp.py read gave:"; echo "$read_back"; exit 1
fi
echo "ok: stamp.py reads the pairs back from the signed file"

osslsigncode verify -CAfile cert.pem signed.exe >/dev/null
python3 - signed.exe tampered.exe <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
nt = struct.unpack_from("<I", data, 0x3C)[0]
table = struct.unpack_from("<I", data, nt + 152)[0]
block = struct.unpack_from(">I", data, table - 12)[0]
data[block + 4] ^= 0x01   # "mail" -> "lail"
open(sys.argv[2], "wb").write(data)
PY
if osslsigncode verify -CAfile cert.pem tampered.exe >/dev/null 2>&1; then
    echo "a changed block byte still verifies: the block is not covered by the signature"; exit 1
fi
echo "ok: the signature covers the block"

run_reader() {  # run_reader <exe> <expected JSON>
    local out
    out="$(WEBINSTALLER_STAMPED_EXPECT="$2" \
        bash "$ROOT/scripts/wine-run.sh" "$1" --gtest_filter='AdvDataSigned.*' 2>&1)" || { echo "$out"; return 1; }
    if ! grep -q '\[  PASSED  \] 1 test' <<<"$out" || grep -q '\[  SKIPPED \]' <<<"$out"; then
        echo "$out"; return 1
    fi
}
# The program's JSON: members sorted, no blanks (written here independently).
expected_json="$(python3 -c 'import json; print(json.dumps({"src": "mail", "lang": "en", "campaign": "spring 24"},
                                                       sort_keys=True, separators=(",", ":")))')"
run_reader signed.exe "$expected_json"
echo "ok: the program reads $expected_json"

sign unsigned.exe plain-signed.exe
run_reader plain-signed.exe '{}'
echo "ok: a signed file without a block keeps {}"
