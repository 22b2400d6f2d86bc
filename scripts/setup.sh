#!/usr/bin/env bash
# Installs what building, running and testing need, but only what is missing.
# Debian 12, as root (or with sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
    libhidapi-dev
    fonts-wqy-microhei fonts-wqy-zenhei
    clang libclang-rt-14-dev clang-format
    openssl
    xvfb xauth
    fuse3 fusefat dosfstools
    umockdev libumockdev-dev
    qttranslations5-l10n appstream
    dpkg-dev fakeroot file
    desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
