#!/usr/bin/env bash
# Installs every Debian package QELT needs to build, test and run.
# Idempotent: asks apt only for what is missing, and uses sudo only when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    clang-14 libclang-rt-14-dev clang-format clang-tidy python3
    googletest libgtest-dev libgmock-dev
    nlohmann-json3-dev
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
    qt6-httpserver-dev qt6-websockets-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
    gstreamer1.0-pulseaudio gstreamer1.0-alsa timgm6mb-soundfont gstreamer1.0-plugins-base-apps
    xvfb xauth x11-utils xdotool fonts-wqy-microhei
    lintian desktop-file-utils appstream man-db
    chromium chromium-driver python3-selenium
    espeak-ng snapserver snapclient
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "deps: all ${#packages[@]} packages present"
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "deps: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

# The Snapcast packages enable system services of their own; the tests start their own
# server and clients on free loopback ports, and a client left running would play to the
# machine's sound card. Stop and disable the services this run has just installed.
if [ -d /run/systemd/system ]; then
    for p in snapserver snapclient; do
        if printf '%s\n' "${missing[@]}" | grep -qx "$p"; then
            $sudo systemctl disable --now "$p.service" >/dev/null 2>&1 || true
        fi
    done
fi
