#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the run and the tests need (only when missing).
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev qt6-charts-dev libqt6opengl6-dev
    libmariadb-dev mariadb-server mariadb-client
    libxml2-dev libxml2-utils
    fonts-liberation2 poppler-utils xvfb xauth
    libssl-dev openssl
    zlib1g-dev libisal-dev dpkg-dev file librsvg2-bin lintian
    libqrencode-dev libcurl4-openssl-dev zbar-tools python3-aiosmtpd
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps.sh: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
