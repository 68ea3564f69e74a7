#!/usr/bin/env bash
# make bench: the transfer engine against curl and the extraction against 7zz,
# measured side by side in one run. Each part prints its figures and ratio.
set -uo pipefail
BUILD_DIR="${1:-build}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a bash "$0" "$@"
fi
status=0
echo "== Download: Tools::Download (under Wine) against curl"
bash scripts/bench-download.sh "$BUILD_DIR" || status=1
echo
echo "== Extraction: Tools::Extract (under Wine) against 7zz x"
bash scripts/bench-extract.sh "$BUILD_DIR" || status=1
exit $status
