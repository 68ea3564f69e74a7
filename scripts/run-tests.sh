#!/usr/bin/env bash
# Runs the test suite under Wine; starts a virtual display when there is none.
set -euo pipefail
BUILD_DIR="${1:-build}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
# Boot the private Wine prefix once, before tests start in parallel.
bash scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j 2 || status=$?
wineserver -k 2>/dev/null || true
exit $status
