#!/usr/bin/env bash
# Installs what building and testing Lintrel needs on Debian 12, and nothing
# when all of it is already there.
set -euo pipefail

PACKAGES=(
    make cmake ninja-build g++ pkgconf
    libcurl4-openssl-dev qt6-base-dev libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev libssl-dev zlib1g-dev
    libgumbo-dev libpugixml-dev libsqlite3-dev libre2-dev libtomlplusplus-dev
    xvfb xauth
    clang libclang-rt-14-dev clang-format clang-format-14 fonts-dejavu-core
    dpkg-dev groff-base file desktop-file-utils
    ca-certificates
)
# libpugixml-dev: the modern mode reads sitemaps with it (the tests read the JUnit
# output back with it too); zlib1g-dev: it inflates gzip-compressed sitemaps;
# libgumbo-dev: the modern mode's page reader is compared with gumbo's in
# tests and fuzzing.
# make: ./run and ./test start on a minimal Debian, which has none; file: the
# package's dependencies are computed with it; ca-certificates: the system's
# certificate store, which the https tests trust by default and a minimal
# Debian lacks. scripts/check-tools.sh checks that every program the build
# and the tests call comes from this list.
# The benchmarks also need a real web server, /usr/bin/time, Python,
# openssl for the https site's certificates, and wget to compare with on a
# small server; python3.11-doc: the documentation benchmarks read its pages.
if [ "${1:-}" = "bench" ]; then
    PACKAGES+=(nginx-light time python3 openssl wget python3.11-doc)
fi
# --list: the packages, one a line, for scripts/check-tools.sh.
if [ "${1:-}" = "--list" ]; then
    printf '%s\n' "${PACKAGES[@]}"
    exit 0
fi

missing=()
for package in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Lintrel needs these packages. Install them, then run this again:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
