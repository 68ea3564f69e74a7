#!/bin/sh
# make-delaylib.sh PREFIX IMPORT_LIB DLL_NAME DEF_OUT LIB_OUT
# Builds a delay-import library for DLL_NAME exporting what IMPORT_LIB exports.
set -eu
prefix="$1"; implib="$2"; dll="$3"; def="$4"; out="$5"
{
    echo "LIBRARY $dll"
    echo "EXPORTS"
    "$prefix-nm" "$implib" | awk '$2=="T" && $3 ~ /^_[A-Za-z]/ {print substr($3,2)}' | sort -u
} > "$def"
"$prefix-dlltool" -k --input-def "$def" --output-delaylib "$out" --dllname "$dll"
