#!/usr/bin/env bash
# Checks that every program the build, the tests, the package check and the
# fuzzing call is installed from a package scripts/setup.sh installs (or one
# every Debian system has), so a machine that happens to have a tool cannot
# hide its absence from the list. Names the package to add when one is not.
set -euo pipefail
cd "$(dirname "$0")/.."

# program (or a file, by its absolute path) package: who calls it
TOOLS=(
    "make make: ./run, ./test"
    "cmake cmake: every build"
    "ctest cmake: make test, make check"
    "cpack cmake: make package"
    "ninja ninja-build: the presets' generator"
    "g++ g++: the dev, ci and release presets"
    "pkg-config pkgconf: src/ CMake files (gumbo, RE2, toml++)"
    "clang++ clang: the fuzz preset"
    "clang-format clang-format: scripts/check-format.sh"
    "dpkg-deb dpkg: scripts/check-package.sh"
    "dpkg-shlibdeps dpkg-dev: the package's dependencies (cmake/Packaging.cmake)"
    "file file: cpack, finding the programs' libraries"
    "groff groff-base: scripts/check-package.sh, the manual pages"
    "desktop-file-validate desktop-file-utils: scripts/check-package.sh"
    "gzip gzip: cmake/Packaging.cmake, the manual pages"
    "ldd libc-bin: scripts/check-package.sh"
    "/etc/ssl/certs/ca-certificates.crt ca-certificates: the https tests, the system's certificate store"
)

mapfile -t listed < <(scripts/setup.sh --list)

is_listed() {
    local package
    for package in "${listed[@]}"; do
        [ "$package" = "$1" ] && return 0
    done
    # A package every Debian system has needs no line of its own.
    [ "$(dpkg-query -W -f='${Essential}' "$1" 2>/dev/null || true)" = yes ]
}

# The package that installed a program's path; usr-merged systems may have
# it registered without the /usr prefix.
owner_of() {
    { dpkg-query -S "$1" 2>/dev/null || dpkg-query -S "${1#/usr}" 2>/dev/null || true; } \
        | head -n 1 | cut -d: -f1
}

failures=()
for entry in "${TOOLS[@]}"; do
    read -r program package _ <<<"${entry%%:*}"
    caller=${entry#*: }
    if ! is_listed "$package"; then
        failures+=("$program ($caller) comes from the package $package, which scripts/setup.sh does not list: add it there")
        continue
    fi
    if [ "${program:0:1}" = / ]; then
        # A file the package's scripts make, which dpkg knows no owner of.
        [ -e "$program" ] || failures+=("$program ($caller) is missing: scripts/setup.sh installs the package $package")
        continue
    fi
    path=$(command -v "$program" || true)
    if [ -z "$path" ]; then
        failures+=("$program ($caller) is not installed: scripts/setup.sh installs the package $package")
        continue
    fi
    owner=$(owner_of "$path")
    if [ "$owner" != "$package" ]; then
        failures+=("$program ($caller) at $path comes from ${owner:-no package}, not $package: correct this table or scripts/setup.sh's list")
    fi
done

if [ ${#failures[@]} -gt 0 ]; then
    echo "check-tools: programs the build and tests call are missing or unlisted:" >&2
    printf '  %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "check-tools: ${#TOOLS[@]} programs and files, each from a package scripts/setup.sh lists"
