#!/usr/bin/env bash
# The demo: builds the installer with the demo brand (debug mode, addresses on
# 127.0.0.1), runs it under Wine and prints what it did.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD_DIR=build-demo
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

echo "== Building the installer with the demo brand (demo/brand.json)"
make --no-print-directory build BUILD_DIR=$BUILD_DIR BRAND_CONFIG=demo/brand.json CMAKE_ARGS=-DWEBINSTALLER_TESTS=OFF >/dev/null

export WEBINSTALLER_WINEPREFIX="$ROOT/$BUILD_DIR/wineprefix"
TEMP_DIR="$WEBINSTALLER_WINEPREFIX/drive_c/users/$(whoami)/Temp"
bash scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true
before=$(ls -d "$TEMP_DIR"/WebInstaller_* 2>/dev/null || true)

echo "== Running build-demo/WebInstaller.exe /silent (at most 60 s)"
set +e
timeout 60 bash scripts/wine-run.sh "$BUILD_DIR/WebInstaller.exe" /silent
code=$?
set -e
if [ $code = 124 ]; then echo "   (stopped after 60 s: nothing quit the run yet)"; fi
echo "== Installer exit code: $code"

run_dir=""
for d in $(ls -dt "$TEMP_DIR"/WebInstaller_* 2>/dev/null); do
    case " $before " in *" $d "*) ;; *) run_dir="$d"; break ;; esac
done
if [ -n "$run_dir" ]; then
    echo "== Log of the run ($run_dir)"
    python3 tools/unscramble-log.py "$run_dir"/WebInstaller_*.log | sed 's/^/   /'
else
    echo "== No working directory was left (it is removed outside debug mode)"
fi
wineserver -k 2>/dev/null || true
