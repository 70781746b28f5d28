#!/usr/bin/env bash
# Checks that every C++ file of ours reads as clang-format (.clang-format)
# writes it; lists the files that do not and fails. With --fix, formats them
# in place instead. Usage: scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."

# Versions format differently; Debian 12's is the one the code is kept in.
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
    echo "check-format: clang-format is not installed; scripts/setup.sh installs it" >&2
    exit 1
fi

mapfile -t files < <(find src tests fuzz bench -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${1:-}" = "--fix" ]; then
    "$format" -i "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    "$format" --dry-run -Werror "$file" 2>/dev/null || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "check-format: these files are not formatted (scripts/check-format.sh --fix formats them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
