#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12
# machine (run as root), and fetches the dependency sources into .deps/.
# Idempotent: on a ready machine it only checks and returns.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DEPS="$ROOT/.deps"
CACHE="${WEBINSTALLER_DEPS_CACHE:-/var/cache/webinstaller-deps}"

PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev cmake ninja-build
          wine wine32:i386 xvfb xauth googletest 7zip osslsigncode openssl
          python3 dpkg-dev curl)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}

have_deb_src() {
    grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}

add_deb_src() {
    # Mirror the configured binary sources as source entries.
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        if ! grep -q 'deb-src' "$f"; then
            $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
        fi
    done
    if [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
        grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | \
            $SUDO tee /etc/apt/sources.list.d/webinstaller-src.list >/dev/null
    fi
}

updated=0
apt_update() {
    if [ "$updated" = 0 ]; then $SUDO apt-get update -qq; updated=1; fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    apt_update
fi

if ! have_deb_src; then
    add_deb_src
    updated=0
    apt_update
fi

todo=$(missing_packages)
if [ -n "$todo" ]; then
    echo "bootstrap: installing $(echo $todo | tr '\n' ' ')"
    apt_update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $todo >/dev/null
fi

# Dependency sources: fetched once into a cache outside the checkout, then
# linked into .deps/ of each clone.
fetch_source() {
    local pkg="$1" pattern="$2"
    local dir
    dir=$(ls -d "$CACHE/$pkg"/$pattern 2>/dev/null | head -n1 || true)
    if [ -z "$dir" ]; then
        apt_update
        $SUDO mkdir -p "$CACHE/$pkg"
        (cd "$CACHE/$pkg" && $SUDO apt-get source -qq "$pkg" >/dev/null 2>&1) || {
            echo "bootstrap: apt-get source $pkg failed" >&2; exit 1; }
        dir=$(ls -d "$CACHE/$pkg"/$pattern | head -n1)
    fi
    mkdir -p "$DEPS"
    ln -sfn "$dir" "$DEPS/$pkg"
}

fetch_source libjsoncpp 'libjsoncpp-*/'
fetch_source 7zip '7zip-*/'

echo "bootstrap: ready"
