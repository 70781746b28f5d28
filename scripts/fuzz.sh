#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them for one bounded time shared
# equally among them, each starting from the corpus kept in fuzz/corpus.
# Usage: scripts/fuzz.sh [TOTAL_SECONDS] [TARGET...]
# Anything found is left in build/fuzz/findings and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-180}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(link extractor report html tokenizer htmldiff css weburl robots sitemap cache retryafter accept config header pathmap)
seconds=$(( total / ${#targets[@]} ))
[ "$seconds" -gt 0 ] || seconds=1

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

findings=build/fuzz/findings
mkdir -p "$findings"
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    echo "== fuzz_$target for ${seconds}s"
    # New inputs go to a scratch folder, so the kept corpus only changes by hand.
    if ! build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$findings/$target-" -dict=fuzz/"$target".dict \
            "$work" fuzz/corpus/"$target" 2>"$work.log"; then
        tail -n 40 "$work.log"
        echo "fuzz_$target found a failure: see $findings" >&2
        exit 1
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work.log" | sed "s/^/  /"
    grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$work.log" | tail -n 1 | sed "s/^/  /"
    rm -rf "$work" "$work.log"
done
