#!/usr/bin/env bash
# Puts each small fault of scripts/faults.txt into the work tree in turn,
# rebuilds, runs the tests and writes down whether they caught it. The tree is
# restored after every fault, also when the run is interrupted.
#
#   scripts/faults.sh [-b build-dir] [-t seconds] [-o table] [-l ctest-args] [-T targets] [fault-name...]
#
# -b  a configured plain build (default: build); it is rebuilt for every fault
# -t  the time one test run may take (default: 900); beyond it the fault is "timeout"
# -o  the table to append to: name, file, caught|missed|no-build|timeout, failed tests
# -l  what ctest runs, e.g. "-LE ui" (default: the whole suite)
# -T  the targets to rebuild, space-separated (default: all)
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build"
limit=900
table=/dev/stdout
selection=""
targets=""
while getopts "b:t:o:l:T:" option; do
    case "$option" in
    b) build="$(realpath "$OPTARG")" ;;
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

while IFS=$'\t' read -r name file original replacement; do
    case "$name" in "#"* | "") continue ;; esac
    if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then
        continue
    fi
    touched="$file"
    if ! apply "$file" "$original" "$replacement"; then
        printf '%s\t%s\tnot-applied\t\n' "$name" "$file" >>"$table"
        restore
        continue
    fi
    started=$(date +%s)
    # shellcheck disable=SC2086
    if ! nice cmake --build "$build" -j2 ${targets:+--target $targets} >"$build/fault-build.log" 2>&1; then
        result=no-build
        failed=""
    else
        # Without the costs of earlier runs ctest keeps the declared order: the
        # quick model and engine tests first, so a caught fault ends early.
        rm -f "$build/Testing/Temporary/LastTestsFailed.log" "$build/Testing/Temporary/CTestCostData.txt"
        # shellcheck disable=SC2086
        timeout "$limit" nice ctest --test-dir "$build" -j2 --stop-on-failure $selection >"$build/fault-test.log" 2>&1
        status=$?
        failed=$(cut -d: -f2 "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | paste -sd, -)
        if [ "$status" -eq 124 ]; then
            result=timeout
        elif [ "$status" -eq 0 ]; then
            result=missed
        else
            result=caught
        fi
    fi
    printf '%s\t%s\t%s\t%s\t%ss\n' "$name" "$file" "$result" "$failed" "$(($(date +%s) - started))" >>"$table"
    restore
done <"$here/scripts/faults.txt"
