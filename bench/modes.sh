#!/usr/bin/env bash
# The default mode against --modern, and --modern over https with HTTP/2
# against --http1.1, on one generated site served by nginx on loopback.
# Arguments go to bench/modebench.py (--runs, --pages, --delay-ms, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLINTREL_BUILD_GUI=OFF \
    -DLINTREL_BUILD_BENCH=ON -DLINTREL_WERROR=ON >/dev/null
cmake --build "$build" --target lintrel-cli lintrel_delay_proxy lintrel_invalid_names
exec python3 bench/modebench.py --cli "$build/src/cli/lintrel-cli" --proxy "$build/bench/lintrel_delay_proxy" \
    --invalid-names "$build/bench/liblintrel_invalid_names.so" "$@"
