#!/usr/bin/env bash
# The crawl benchmark in one command, from a fresh clone: installs what it
# needs, builds the Release lintrel-cli and the delay proxy, generates the
# sites, serves them with nginx on loopback and prints the figures.
# Arguments go to bench/sitebench.py (--runs, --sizes, --delay-ms, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLINTREL_BUILD_GUI=OFF \
    -DLINTREL_BUILD_BENCH=ON -DLINTREL_WERROR=ON >/dev/null
cmake --build "$build" --target lintrel-cli lintrel_delay_proxy lintrel_invalid_names
exec python3 bench/sitebench.py --cli "$build/src/cli/lintrel-cli" --proxy "$build/bench/lintrel_delay_proxy" \
    --invalid-names "$build/bench/liblintrel_invalid_names.so" "$@"
