#!/usr/bin/env bash
# Installs the Debian 12 packages Rastelle needs to build, run and test.
# Only missing packages are installed; apt-get runs through sudo when the
# caller is not root.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++
    pkg-config
    qt6-base-dev
    qt6-base-dev-tools
    qt6-image-formats-plugins
    qt6-translations-l10n
    xdg-utils
    libgl-dev
    libraw-dev
    libjpeg62-turbo-dev
    libjpeg-turbo-progs
    clang
    libclang-rt-14-dev
    python3-pil
    imagemagick
    fonts-dejavu-core
    fonts-droid-fallback
    # Metric-compatible faces for the fonts metafiles ask for.
    fonts-liberation
    fonts-crosextra-carlito
    fonts-crosextra-caladea
    fonts-noto-cjk
    # Making and checking the Debian package (scripts/package-check.sh).
    dpkg-dev
    file
    appstream
    desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "Rastelle needs these packages and cannot install them without root or sudo:" >&2
    echo "  ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
