#!/usr/bin/env bash
# Makes an interface package with tools/make-package.sh from a small page
# folder (made here) and checks the archive from the outside with 7zz: names
# and content hidden without the password, index.html at the root, the coders
# BCJ, LZMA and 7zAES, and a second run that writes the package anew. The
# program's side (it opens with the program's password) is the ctest entry
# tool_package_opens, which uses <work folder>/index.7z and <work folder>/site.
# usage: make-package-fixture.sh <work folder>
set -euo pipefail
WORK="${1:?usage: make-package-fixture.sh <work folder>}"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SEVENZ="${SEVENZ:-7zz}"

rm -rf "$WORK"
mkdir -p "$WORK/site/js" "$WORK/site/css" "$WORK/site/img/icons"
cd "$WORK"
cat > site/index.html <<'HTML'
<!DOCTYPE html>
<html><head><link rel="stylesheet" href="css/style.css"><script src="js/app.js"></script></head>
<body><img src="img/logo.png"></body></html>
HTML
printf 'function installerMain() { return 1; }\r\n' > site/js/app.js
printf 'body { margin: 0; }\n' > site/css/style.css
python3 -c 'import random, sys; r = random.Random(5); sys.stdout.buffer.write(r.randbytes(70000))' > site/img/logo.png
printf 'old\n' > site/img/icons/stale.txt

PASSWORD="$(python3 "$ROOT/tools/package-password.py")"
bash "$ROOT/tools/make-package.sh" site index.7z >/dev/null
# Made again without a file: the new package must not keep it.
rm site/img/icons/stale.txt
bash "$ROOT/tools/make-package.sh" site index.7z >/dev/null

if "$SEVENZ" l -p0123 index.7z </dev/null >/dev/null 2>&1; then
    echo "the package lists without its password: names are not encrypted"; exit 1
fi
listing="$("$SEVENZ" l -slt "-p$PASSWORD" index.7z </dev/null)"
grep -qx 'Path = index.html' <<<"$listing" || { echo "index.html is not at the root"; echo "$listing"; exit 1; }
if grep -q 'stale.txt' <<<"$listing"; then echo "an old package was updated, not replaced"; exit 1; fi
files="$(grep -c '^Path = .*\.\(html\|js\|css\|png\)$' <<<"$listing")"
methods="$(grep -c '^Method = BCJ LZMA:[0-9a-z]* 7zAES' <<<"$listing" || true)"
if [ "$files" != 4 ] || [ "$methods" != 4 ]; then
    echo "expected 4 files packed with BCJ, LZMA and 7zAES, got $files files, $methods such"; echo "$listing"; exit 1
fi
echo "ok: $WORK/index.7z"
