#!/usr/bin/env bash
# Installs the Debian 12 packages that Skiff needs to build, test and run, if any are missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build make
    qt6-base-dev qt6-webengine-dev qt6-webchannel-dev libgl-dev
    libwebkit2gtk-4.1-dev libgtk-3-dev bubblewrap xdg-dbus-proxy
    qt6-gtk-platformtheme
    libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-utils openbox libx11-dev libxtst-dev
    fonts-dejavu-core fonts-dejavu-extra
    dbus dbus-x11 at-spi2-core libatk-adaptor libatspi2.0-dev pkg-config
    desktop-file-utils appstream xdg-utils dpkg-dev file python3
    lintian groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "Missing packages (${missing[*]}) and no way to become root to install them." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
