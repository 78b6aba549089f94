#!/usr/bin/env bash
# Installs what building and testing Quilmo needs, from Debian's package
# archive, skipping packages that are already there.
set -euo pipefail

# clang and its runtime (libFuzzer, the sanitizers) build the fuzz targets;
# gemmi reads the crystallographic files of the importer (its headers need
# PEGTL and stb, which the package does not pull in).
packages=(g++ cmake make pkg-config libfftw3-dev libgtest-dev libbenchmark-dev liblbfgs-dev
          nlohmann-json3-dev python3 python3-numpy python3-gemmi python3-matplotlib
          clang libclang-rt-dev gemmi-dev tao-pegtl-dev libstb-dev ccache)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y "${missing[@]}"
