#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench), runs every one and prints one
# table of each measurement beside its baseline and goal. Each benchmark runs
# three times; the table shows the median.
# Usage: scripts/bench.sh [more Google Benchmark arguments, e.g. --benchmark_filter=history]
# Exit status 1 when a goal is missed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-bench"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOMAR_BENCH=ON -DBRISOMAR_TESTS=OFF \
    >/dev/null
cmake --build "$build"

results="$build/results"
rm -rf "$results"
mkdir -p "$results"
for bin in "$build"/bench/bench_*; do
    [ -f "$bin" ] && [ -x "$bin" ] || continue
    name="$(basename "$bin")"
    echo "== $name"
    "$bin" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_out="$results/$name.json" --benchmark_out_format=json "$@" >/dev/null
done
echo
python3 "$here/bench/summarize.py" "$results"/*.json
