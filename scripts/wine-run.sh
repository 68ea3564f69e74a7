#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix.
# WEBINSTALLER_WINEPREFIX overrides the prefix location (default: build/wineprefix).
set -eu
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WEBINSTALLER_WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Several test processes may start at once: one of them creates the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        # No window manager under Xvfb: Wine must not wait for one.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
        wineserver -w || true
    fi
    flock -u 9
fi
exec wine "$@"
