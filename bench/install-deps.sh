#!/usr/bin/env bash
# Installs the Debian 12 packages that the benchmarks run beside the project's own programs:
# gawk, pandas (python3-pandas) and GNU time (peak memory). Packages already installed are
# skipped quietly; apt-get runs as root, or through sudo.
set -euo pipefail

packages=(gawk python3-pandas time coreutils)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
