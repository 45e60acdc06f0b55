#!/usr/bin/env bash
# Sets up a Debian 12 machine for Kestrix, builds it, then starts it (run) or
# runs every test (test). Missing Debian packages are installed first.
set -euo pipefail

usage() { echo "usage: $0 run|test [session.tvq]" >&2; exit 2; }
[ $# -ge 1 ] || usage
mode=$1
shift
case "$mode" in run|test) ;; *) usage ;; esac

root=$(cd "$(dirname "$0")" && pwd)
build=${KESTRIX_BUILD_DIR:-$root/build}
packages=(qtbase5-dev libqt5serialport5-dev libqwt-qt5-dev libqcustomplot-dev
          cmake g++ make xvfb xauth fonts-dejavu-core poppler-utils)

install_missing() {
    local missing=() pkg
    for pkg in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        # Without a terminal (CI) sudo must not wait for a password.
        if [ -t 0 ]; then sudo=(sudo); else sudo=(sudo -n); fi
    fi
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

install_missing
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)"

if [ "$mode" = test ]; then
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
    exit
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting on a virtual X server (nothing will be visible)." >&2
    exec xvfb-run -a "$build/kestrix" "$@"
fi
exec "$build/kestrix" "$@"
