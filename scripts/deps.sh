#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Brisomar need,
# only when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libgl1-mesa-dev qt6-image-formats-plugins
    qt6-translations-l10n
    ffmpeg
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
    python3 python3-certifi python3-mutagen python3-pycryptodome python3-requests python3-urllib3 python3-websockets
    libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev
    desktop-file-utils appstream xvfb dbus-daemon openssl
    dpkg-dev file lintian
    exfatprogs exfat-fuse fuse3
    gpg gpg-agent gpgv
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
# npm fetches the tools root's Node.js; the machine may carry one from another
# source than Debian's package, and then that one serves.
if ! command -v npm >/dev/null 2>&1; then
    missing+=(npm)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Instalando paquetes que faltan: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
