#!/usr/bin/env bash
# The demo: a real installation by the real program, under Wine.
#
# Builds the installer with the demo brand (demo/brand.json: addresses on
# 127.0.0.1:18765, debug mode off, so everything behaves as shipped), packs the
# demo interface page (demo/page) as the encrypted interface package and the
# demo product (demo/product) as a 7z archive, starts the demo server
# (tools/demo_server.py), and runs the installer from a Downloads folder with
# /silent. Then it prints what happened.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD_DIR="${DEMO_BUILD_DIR:-build-demo}"
PORT=18765
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
say() { printf '\n== %s\n' "$*"; }

say "Building the installer with the demo brand (demo/brand.json)"
make --no-print-directory build BUILD_DIR="$BUILD_DIR" BRAND_CONFIG=demo/brand.json \
    CMAKE_ARGS=-DWEBINSTALLER_TESTS=OFF >"$BUILD_DIR.log" 2>&1 || { cat "$BUILD_DIR.log"; exit 1; }
echo "   $BUILD_DIR/WebInstaller.exe ($(stat -c %s "$BUILD_DIR/WebInstaller.exe") bytes)"

SITE="$ROOT/$BUILD_DIR/site"
rm -rf "$SITE"
mkdir -p "$SITE/compressed_assets/demo" "$SITE/product"
say "Packing the interface package and the product"
bash tools/make-package.sh demo/page "$SITE/compressed_assets/demo/index.7z" >/dev/null
7zz a -t7z -m0=BCJ -m1=LZMA "$SITE/product/KestrelmoorDemo.7z" "./$BUILD_DIR/demo/DemoProduct.exe" >/dev/null
echo "   interface package: /compressed_assets/demo/index.7z (encrypted with this build's package password)"
echo "   product:           /product/KestrelmoorDemo.7z"

STATS_LOG="$ROOT/$BUILD_DIR/demo-stats.log"
rm -f "$STATS_LOG"
python3 tools/demo_server.py --root "$SITE" --port $PORT --log "$STATS_LOG" --quiet >/dev/null 2>&1 &
SERVER=$!
tail_pid=""
cleanup() {
    kill "$SERVER" 2>/dev/null || true
    [ -n "$tail_pid" ] && kill "$tail_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
    python3 - "$PORT" 2>/dev/null <<'PY' && break || sleep 0.1
import socket, sys
socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close()
PY
done
echo "   demo server on 127.0.0.1:$PORT"

export WEBINSTALLER_WINEPREFIX="$ROOT/$BUILD_DIR/wineprefix"
bash scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true
USER_DIR="$WEBINSTALLER_WINEPREFIX/drive_c/users/$(whoami)"
TEMP_DIR="$USER_DIR/Temp"
INSTALL_DIR="$USER_DIR/AppData/Local/KestrelmoorDemo"
mkdir -p "$USER_DIR/Downloads"
SETUP="$USER_DIR/Downloads/KestrelmoorDemoSetup.exe"
cp "$BUILD_DIR/WebInstaller.exe" "$SETUP"
rm -rf "$INSTALL_DIR"
before=" $(ls -d "$TEMP_DIR"/WebInstaller_* 2>/dev/null | tr '\n' ' ' || true) "

say "Running C:\\users\\$(whoami)\\Downloads\\KestrelmoorDemoSetup.exe /silent"
LOG_COPY="$ROOT/$BUILD_DIR/demo-run.log"
rm -f "$LOG_COPY"
bash scripts/wine-run.sh "$SETUP" /silent &
INSTALLER=$!
# The log lives in the run's working directory, which the installer removes
# when it ends: follow it while the run goes on.
run_dir=""
for _ in $(seq 300); do
    for d in "$TEMP_DIR"/WebInstaller_*; do
        [ -d "$d" ] || continue
        case "$before" in *" $d "*) ;; *) run_dir="$d" ;; esac
    done
    if [ -n "$run_dir" ] && ls "$run_dir"/WebInstaller_*.log >/dev/null 2>&1; then break; fi
    kill -0 $INSTALLER 2>/dev/null || break
    sleep 0.1
done
if [ -n "$run_dir" ]; then
    log_file=$(ls "$run_dir"/WebInstaller_*.log 2>/dev/null | head -n1 || true)
    if [ -n "$log_file" ]; then
        tail -c +1 -F "$log_file" >"$LOG_COPY" 2>/dev/null &
        tail_pid=$!
    fi
fi
code=0
for _ in $(seq 1200); do kill -0 $INSTALLER 2>/dev/null || break; sleep 0.1; done
if kill -0 $INSTALLER 2>/dev/null; then
    echo "   the installer did not end within 120 s: stopping it"
    kill $INSTALLER 2>/dev/null || true
    code=timeout
else
    wait $INSTALLER || code=$?
fi
# The clean-up batch files run after the process: give them a moment.
for _ in $(seq 100); do
    { [ -z "$run_dir" ] || [ ! -e "$run_dir" ]; } && [ ! -e "$SETUP" ] && break
    sleep 0.1
done
sleep 0.3
[ -n "$tail_pid" ] && kill "$tail_pid" 2>/dev/null || true
tail_pid=""

say "What the page did (from the installer's log, unscrambled with tools/unscramble-log.py)"
if [ -s "$LOG_COPY" ]; then
    python3 tools/unscramble-log.py "$LOG_COPY" | python3 demo/summarize-log.py
else
    echo "   (no log was captured)"
fi

say "What was installed where"
if [ -d "$INSTALL_DIR" ]; then
    echo "   C:\\users\\$(whoami)\\AppData\\Local\\KestrelmoorDemo:"
    (cd "$INSTALL_DIR" && ls -l | tail -n +2 | awk '{printf "     %-24s %8s bytes\n", $NF, $5}')
    [ -f "$INSTALL_DIR/install-note.txt" ] && echo "   install-note.txt (UTF-16, as the installer writes text files):" &&
        iconv -f UTF-16 -t UTF-8 "$INSTALL_DIR/install-note.txt" 2>/dev/null | sed 's/^/     /' && echo
    [ -f "$INSTALL_DIR/started.txt" ] && echo "   started.txt (written by the product when it ran):" &&
        sed 's/^/     /' "$INSTALL_DIR/started.txt"
else
    echo "   nothing: the install folder does not exist"
fi

say "Statistics events the server received (decoded)"
if [ -s "$STATS_LOG" ]; then sed 's/^/   /' "$STATS_LOG"; else echo "   none"; fi

say "Outcome"
echo "   installer exit code: $code (0: the page finished the installation successfully)"
if [ -n "$run_dir" ] && [ ! -e "$run_dir" ]; then
    echo "   working directory $(basename "$run_dir"): removed after the run"
elif [ -n "$run_dir" ]; then
    echo "   working directory $(basename "$run_dir"): still there"
fi
if [ ! -e "$SETUP" ]; then
    echo "   KestrelmoorDemoSetup.exe: removed itself from Downloads after the successful install"
else
    echo "   KestrelmoorDemoSetup.exe: still in Downloads"
fi
[ "$code" = 0 ]
