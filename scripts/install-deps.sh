#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need; packages that are
# already installed are skipped quietly. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
    libgl-dev sqlite3
    postgresql postgresql-client
    unixodbc unixodbc-dev tdsodbc freetds-bin
    fonts-dejavu-core
    xvfb xauth openbox
    odbc-postgresql qt6-translations-l10n
    libclang-rt-14-dev
)

# fonts-dejavu-core: DejaVu Sans Mono, the fixed-width texts' font wherever the machine's own
# fixed-width font does not draw every character with one width.
# libclang-rt-14-dev: the fuzzers' input reader, which the tests replaying their inputs use too.
# Extra groups, asked for by name: "fuzz" (clang, to build the fuzzers); "bench" (what the
# benchmarks run beside the project's programs: gawk, pandas, and GNU time for peak memory).
for group in "$@"; do
    case "$group" in
        fuzz) packages+=(clang-14) ;;
        bench) packages+=(gawk python3-pandas time coreutils) ;;
        *) echo "install-deps.sh: unknown group $group" >&2; exit 2 ;;
    esac
done

# One query for all of them (each dpkg-query reads the whole package database).
declare -A installed=()
while read -r name status; do
    [ "$status" = "install ok installed" ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
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
