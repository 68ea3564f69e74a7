#!/usr/bin/env bash
# Packs an interface folder into an interface package.
#
#   tools/make-package.sh FOLDER OUT.7z
#
# FOLDER holds index.html at its top and whatever it loads (scripts, styles,
# pictures, sub-folders). OUT.7z is written anew: a 7z archive with the x86
# branch filter and LZMA (the coders the installer unpacks), encrypted with
# 7zAES under this build's package password, names included (-mhe=on), with
# FOLDER's content at the archive's root. The password comes from
# tools/package-password.py, which reads the phrase from src/app/Secrets.h.
# Needs 7zz (Debian package 7zip) and python3. SEVENZ names another 7zz.
set -euo pipefail
usage() { echo "usage: make-package.sh FOLDER OUT.7z" >&2; exit 2; }
[ $# -eq 2 ] || usage
FOLDER="$1"
OUT="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
SEVENZ="${SEVENZ:-7zz}"

if [ ! -f "$FOLDER/index.html" ]; then
    echo "make-package.sh: $FOLDER/index.html is missing: the installer opens that page" >&2
    exit 1
fi
PASSWORD="$(python3 "$HERE/package-password.py")"
case "$OUT" in /*) ;; *) OUT="$PWD/$OUT" ;; esac
mkdir -p "$(dirname "$OUT")"
# Packed beside the target and moved into place when complete: an existing
# package is replaced only by a whole new one, never updated in place.
TMP="$OUT.tmp.$$.7z"
trap 'rm -f "$TMP"' EXIT
rm -f "$TMP"
(cd "$FOLDER" && "$SEVENZ" a -t7z -m0=BCJ -m1=LZMA -mhe=on "-p$PASSWORD" -bso0 -bsp0 "$TMP" .)
mv -f "$TMP" "$OUT"
trap - EXIT
echo "$OUT"
