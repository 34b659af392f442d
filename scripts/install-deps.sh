#!/usr/bin/env bash
# Installs what building and testing Plumeo needs: apt on Debian (run as root), Homebrew on macOS.
# Safe to run again: it installs only what is missing.
set -euo pipefail

debian_packages=(
    build-essential cmake ninja-build pkg-config
    libicu-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev ccache
    qt6-base-dev fonts-noto-cjk fonts-noto-color-emoji xvfb
    # The Writer backend: LibreOffice Writer, its C++ UNO SDK, and the X side's window manager,
    # XTest, XInput2 (the user's input told from Plumeo's) and tools;
    # xdotool (the baseline) and bc serve only the measurement (scripts/measure-writer.sh).
    libreoffice-writer libreoffice-dev libreoffice-dev-common
    xdotool bc openbox libxtst-dev libxi-dev libx11-dev x11-utils
)
brew_packages=(cmake ninja icu4c nlohmann-json googletest google-benchmark qt)

if [[ "$(uname -s)" == "Darwin" ]]; then
    command -v brew >/dev/null || { echo "Homebrew is required: https://brew.sh" >&2; exit 1; }
    brew install "${brew_packages[@]}"
    exit 0
fi

missing=()
for package in "${debian_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
