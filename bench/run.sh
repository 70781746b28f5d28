#!/usr/bin/env bash
# The crawl benchmarks in one command, from a fresh clone: installs what they
# need, builds the Release lintrel-cli and the delay proxy, generates the
# sites, serves them with nginx on loopback and prints the figures.
#   bench/run.sh [ARGS]          whole crawls, --jobs 1 against the defaults
#   bench/run.sh --modes [ARGS]  the default mode against --modern, and
#                                --modern over https with and without HTTP/2
#   bench/run.sh --throttle [ARGS]  --modern against a server that allows
#                                20 requests a second, with --rate 20 and without
#   bench/run.sh --cache [ARGS]  --modern --cache: a first crawl against a
#                                second one on the same cache
#   bench/run.sh --small [ARGS]  both modes at the defaults and with --per-host 2,
#                                and wget --spider -r, on python3 -m http.server
#   bench/run.sh --compare --baseline-cli OTHER [ARGS]  this build against
#                                another lintrel-cli on the nginx site
# ARGS go to bench/sitebench.py, modebench.py, throttlebench.py, cachebench.py,
# smallserverbench.py or comparebench.py (--runs, --delay-ms, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
script=bench/sitebench.py
if [ "${1:-}" = "--modes" ]; then
    script=bench/modebench.py
    shift
elif [ "${1:-}" = "--throttle" ]; then
    script=bench/throttlebench.py
    shift
elif [ "${1:-}" = "--cache" ]; then
    script=bench/cachebench.py
    shift
elif [ "${1:-}" = "--small" ]; then
    script=bench/smallserverbench.py
    shift
elif [ "${1:-}" = "--compare" ]; then
    script=bench/comparebench.py
    shift
fi
scripts/setup.sh bench
build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLINTREL_BUILD_GUI=OFF \
    -DLINTREL_BUILD_BENCH=ON -DLINTREL_WERROR=ON >/dev/null
cmake --build "$build" --target lintrel-cli lintrel_delay_proxy lintrel_invalid_names
exec python3 "$script" --cli "$build/src/cli/lintrel-cli" --proxy "$build/bench/lintrel_delay_proxy" \
    --invalid-names "$build/bench/liblintrel_invalid_names.so" "$@"
