#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) in build-fuzz and runs each for
# the given number of seconds, one after the other, then prints one table.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
# New inputs go to build-fuzz/corpus/<target>; crashes to build-fuzz/artifacts/<target>.
# Exit status 1 when any target crashed (or broke one of its checks).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
shift || true
build="$here/build-fuzz"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DBRISOMAR_FUZZ=ON -DBRISOMAR_TESTS=OFF -DBRISOMAR_GUI=OFF >/dev/null
cmake --build "$build" --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for bin in "$build"/fuzz/fuzz_*; do
        [ -f "$bin" ] && [ -x "$bin" ] && targets+=("$(basename "$bin")")
    done
fi

dictionary() {
    case "$1" in
        fuzz_medialink) echo medialink.dict ;;
        fuzz_videoinfo) echo metadata.dict ;;
        fuzz_probe) echo probe.dict ;;
        fuzz_preferences | fuzz_history) echo records.dict ;;
        fuzz_progress) echo markers.dict ;;
    esac
}

rows=()
failed=()
for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$artifacts/")
    dict="$(dictionary "$target")"
    [ -n "$dict" ] && [ -f "$here/fuzz/$dict" ] && options+=(-dict="$here/fuzz/$dict")
    seeds=()
    [ -d "$here/fuzz/corpus/$target" ] && seeds+=("$here/fuzz/corpus/$target")

    echo "== $target: ${seconds} s"
    stamp="$build/logs/$target.start"
    touch "$stamp"
    status=0
    "$build/fuzz/$target" "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?

    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
    # libFuzzer's last status line: "#N <event> cov: C ft: F corp: U/S ...".
    last="$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)"
    cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
    ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
    corpus="$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")"
    crashes="$(find "$artifacts" -type f -newer "$stamp" \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | wc -l)"
    if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
        crashes=1
    fi
    rows+=("$target|$seconds|${runs:-?}|${rate:-?}|${cov:-?}|${ft:-?}|${corpus:-?}|$crashes")
    if [ "$crashes" -ne 0 ]; then
        failed+=("$target")
        grep -E 'ERROR|Broken promise|SUMMARY|Test unit written' "$log" | head -8 || true
    fi
done

echo
format='| %-18s | %7s | %12s | %9s | %6s | %7s | %7s | %7s |\n'
printf "$format" target seconds executions "exec/s" cov ft corpus crashes
printf "$format" :----------------- ------: -----------: --------: -----: ------: ------: ------:
for row in "${rows[@]}"; do
    IFS='|' read -r t s r e c f k x <<<"$row"
    printf "$format" "$t" "$s" "$r" "$e" "$c" "$f" "$k" "$x"
done

if [ ${#failed[@]} -ne 0 ]; then
    echo
    echo "Crashes in: ${failed[*]} (logs in $build/logs, inputs in $build/artifacts;"
    echo "replay one with: $build/fuzz/<target> <input>)"
    exit 1
fi
