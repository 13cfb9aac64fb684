#!/usr/bin/env bash
# Puts each small fault of scripts/faults.txt into the work tree in turn,
# rebuilds, runs the tests and writes down whether they caught it. The tree is
# restored after every fault, also when the run is interrupted.
#
#   scripts/faults.sh [-b build] [-c other-build]... [-t seconds] [-o table] [-l ctest-args] [-T targets] [fault...]
#
# -b  a configured plain build (default: build); it is rebuilt for every fault
# -c  also run the tests of another build of the same sources, e.g. an older
#     suite; with the libraries built SHARED, its programs load the faulty
#     libraries of -b through LD_LIBRARY_PATH, so each fault is built once
# -t  the time one test run may take (default: 900); beyond it the fault is "timeout"
# -o  the table to append to: name, file, then per build caught|missed|timeout
#     and the failed tests (no-build and not-applied stop there)
# -l  what ctest runs, e.g. "-LE ui" (default: the whole suite)
# -T  the targets to rebuild, space-separated (default: all)
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build"
others=()
limit=900
table=/dev/stdout
selection=""
targets=""
while getopts "b:c:t:o:l:T:" option; do
    case "$option" in
    b) build="$(realpath "$OPTARG")" ;;
    c) others+=("$(realpath "$OPTARG")") ;;
    t) limit="$OPTARG" ;;
    o) table="$OPTARG" ;;
    l) selection="$OPTARG" ;;
    T) targets="$OPTARG" ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
cd "$here" || exit 2

touched=""
restore() {
    [ -n "$touched" ] && git checkout -- "$touched"
    touched=""
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

# Replaces the one occurrence of `original` in `file`; fails when there is not exactly one.
apply() {
    python3 - "$@" <<'EOF'
import sys
file, original, replacement = sys.argv[1:4]
unescape = lambda s: s.replace("\\n", "\n").replace("\\t", "\t").replace("\\\\", "\\")
original, replacement = unescape(original), unescape(replacement)
text = open(file, encoding="utf-8").read()
if text.count(original) != 1:
    sys.exit(f"{file}: the original text occurs {text.count(original)} times")
open(file, "w", encoding="utf-8").write(text.replace(original, replacement))
EOF
}

# The libraries of the faulty build come first for every program run.
libraries=$(find "$build/src" -name 'lib*.so' -printf '%h\n' 2>/dev/null | sort -u | paste -sd: -)

# Runs one build's tests; prints "caught|missed|timeout<TAB>failed tests".
run_tests() {
    local tests="$1" status failed result
    # ctest starts the costliest tests first; fault-costs.txt, when the build
    # has one, ranks the quick tests first instead, so a caught fault ends early.
    # Without either, the declared order.
    rm -f "$tests/Testing/Temporary/LastTestsFailed.log" "$tests/Testing/Temporary/CTestCostData.txt"
    [ -f "$tests/fault-costs.txt" ] && cp "$tests/fault-costs.txt" "$tests/Testing/Temporary/CTestCostData.txt"
    # shellcheck disable=SC2086
    LD_LIBRARY_PATH="$libraries${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" timeout "$limit" \
        nice ctest --test-dir "$tests" -j2 --stop-on-failure $selection >"$tests/fault-test.log" 2>&1
    status=$?
    failed=$(cut -d: -f2 "$tests/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | paste -sd, -)
    if [ "$status" -eq 124 ]; then
        result=timeout
    elif [ "$status" -eq 0 ]; then
        result=missed
    else
        result=caught
    fi
    printf '%s\t%s' "$result" "$failed"
}

while IFS=$'\t' read -r name file original replacement; do
    case "$name" in "#"* | "") continue ;; esac
    if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then
        continue
    fi
    touched="$file"
    if ! apply "$file" "$original" "$replacement"; then
        printf '%s\t%s\tnot-applied\n' "$name" "$file" >>"$table"
        restore
        continue
    fi
    started=$(date +%s)
    # shellcheck disable=SC2086
    if ! nice cmake --build "$build" -j2 ${targets:+--target $targets} >"$build/fault-build.log" 2>&1; then
        row="no-build"
    else
        # The runs mostly wait on the tools: side by side they take the time of one.
        for tests in "$build" "${others[@]}"; do
            run_tests "$tests" >"$tests/fault-row" &
        done
        wait
        row=$(cat "$build/fault-row")
        for other in "${others[@]}"; do
            row+=$'\t'$(cat "$other/fault-row")
        done
    fi
    printf '%s\t%s\t%s\t%ss\n' "$name" "$file" "$row" "$(($(date +%s) - started))" >>"$table"
    restore
done <"$here/scripts/faults.txt"
# The build again as the sources are.
# shellcheck disable=SC2086
nice cmake --build "$build" -j2 ${targets:+--target $targets} >"$build/fault-build.log" 2>&1
