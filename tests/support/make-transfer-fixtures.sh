#!/usr/bin/env bash
# Makes the archives the extraction pages unpack, into <output folder> (a
# folder the test server serves): plain.7z without a password, package.7z
# encrypted with this build's package password (tools/make-package.sh). Both
# hold the same small tree: index.html, top.txt, sub/dir/inner.txt.
set -euo pipefail
OUT="${1:?usage: make-transfer-fixtures.sh <output folder>}"
HERE="$(cd "$(dirname "$0")" && pwd)"
SEVENZ="${SEVENZ:-7zz}"

rm -rf "$OUT"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/tree/sub/dir"
printf '<!DOCTYPE html>\r\n' > "$WORK/tree/index.html"
printf 'top\r\n' > "$WORK/tree/top.txt"
printf 'inner\r\n' > "$WORK/tree/sub/dir/inner.txt"

(cd "$WORK/tree" && "$SEVENZ" a -t7z -m0=LZMA -bso0 -bsp0 "$OUT/plain.7z" . >/dev/null)
SEVENZ="$SEVENZ" bash "$HERE/../../tools/make-package.sh" "$WORK/tree" "$OUT/package.7z" >/dev/null
