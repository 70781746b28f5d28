#!/usr/bin/env bash
# Checks a built Debian package without installing it: its control fields,
# the files it holds, its manual pages, and programs that run from the tree
# unpacked into a temporary folder. Any failure ends it with status 1.
#   scripts/check-package.sh build/package/lintrel_*_amd64.deb
set -euo pipefail

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "give exactly one package (got $#: $*)"
deb=$1
[ -f "$deb" ] || fail "no package at $deb"
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Lintrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no version in $root/CMakeLists.txt"

field() {
    dpkg-deb --field "$deb" "$1"
}

check_control() {
    [ "$(field Package)" = lintrel ] || fail "Package is '$(field Package)', not lintrel"
    [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
    local name
    for name in Maintainer Description Section Priority Depends; do
        [ -n "$(field "$name")" ] || fail "the $name field is empty"
    done
    # What dpkg-shlibdeps must have found in the programs' own libraries.
    local depends
    depends=$(field Depends)
    for name in libc6 libstdc++6 libcurl4 libsqlite3-0 libpugixml1v5 zlib1g libre2-9 libtomlplusplus3 libqt6widgets6 libqt6gui6 libqt6core6; do
        tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }' | grep -Fxq "$name" || fail "Depends lacks $name: $depends"
    done
}

check_file_list() {
    local files
    files=$(dpkg-deb --contents "$deb" | awk '{ print $1 " " $6 }')
    local expected=(
        "-rwxr-xr-x ./usr/bin/lintrel"
        "-rwxr-xr-x ./usr/bin/lintrel-cli"
        "-rw-r--r-- ./usr/share/applications/lintrel.desktop"
        "-rw-r--r-- ./usr/share/icons/hicolor/16x16/apps/lintrel.png"
        "-rw-r--r-- ./usr/share/icons/hicolor/32x32/apps/lintrel.png"
        "-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/lintrel.png"
        "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/lintrel.svg"
        "-rw-r--r-- ./usr/share/man/man1/lintrel.1.gz"
        "-rw-r--r-- ./usr/share/man/man1/lintrel-cli.1.gz"
    )
    local entry
    for entry in "${expected[@]}"; do
        grep -Fxq -- "$entry" <<<"$files" || fail "the package lacks $entry"$'\n'"$files"
    done
    local strays
    strays=$(grep -v '^d' <<<"$files" | grep -Fvx -f <(printf '%s\n' "${expected[@]}") || true)
    [ -z "$strays" ] || fail "the package holds files nobody asked for:"$'\n'"$strays"
}

# Width and height from a PNG's header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

check_unpacked() {
    local tree=$1
    dpkg-deb -x "$deb" "$tree"
    local shown
    shown=$("$tree/usr/bin/lintrel-cli" --version) || fail "lintrel-cli --version failed"
    [ "$shown" = "$version" ] || fail "lintrel-cli --version says '$shown', not $version"
    "$tree/usr/bin/lintrel-cli" --help | grep -q -- --json || fail "lintrel-cli --help does not list --json"
    # A crawl that needs no network: a local page whose only link is mail.
    printf '<A HREF="mailto:someone@example.org">mail</A>\n' >"$tree/page.html"
    local document
    document=$("$tree/usr/bin/lintrel-cli" --json --file "$tree/page.html") || fail "lintrel-cli could not check a local page"
    grep -q '"links":0' <<<"$document" || fail "unexpected output for a local page: $document"
    local program
    for program in lintrel lintrel-cli; do
        if ldd "$tree/usr/bin/$program" | grep -q 'not found'; then
            fail "$program needs libraries that are not there: $(ldd "$tree/usr/bin/$program" | grep 'not found')"
        fi
    done
    local size
    for size in 16 32 48; do
        [ "$(png_size "$tree/usr/share/icons/hicolor/${size}x${size}/apps/lintrel.png")" = "${size}x${size}" ] \
            || fail "the ${size}x${size} icon is $(png_size "$tree/usr/share/icons/hicolor/${size}x${size}/apps/lintrel.png")"
    done
    grep -qx 'Exec=lintrel' "$tree/usr/share/applications/lintrel.desktop" || fail "the desktop entry does not run lintrel"
    grep -qx 'Icon=lintrel' "$tree/usr/share/applications/lintrel.desktop" || fail "the desktop entry does not name the icon"
    desktop-file-validate "$tree/usr/share/applications/lintrel.desktop" || fail "the desktop entry is not valid"
    local page warnings
    for page in lintrel lintrel-cli; do
        warnings=$(zcat "$tree/usr/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1) \
            || fail "the manual page $page.1 does not format"
        [ -z "$warnings" ] || fail "the manual page $page.1 formats with warnings:"$'\n'"$warnings"
        zcat "$tree/usr/share/man/man1/$page.1.gz" | head -n 1 | grep -qF "\"Lintrel $version\"" \
            || fail "the manual page $page.1 does not name version $version"
    done
}

check_control
check_file_list
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
check_unpacked "$tree"
echo "check-package: $(basename "$deb") is complete and its programs run"
