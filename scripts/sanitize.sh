#!/usr/bin/env bash
# Builds the tests with a sanitizer and runs them; any report fails the run.
# Usage: scripts/sanitize.sh address   ASan+UBSan, the whole suite (build-asan)
#        scripts/sanitize.sh thread    TSan, the engine and application model tests (build-tsan);
#                                      this build has no window and builds every target, self-checks
#                                      included, so nothing headless can come to need a widget
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
kind="${1:?address or thread}"
# Line tables are enough for the reports; -O1 keeps the build and the runs quick.
flags=(-G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1")

"$here/scripts/deps.sh"
case "$kind" in
address)
    build="$here/build-asan"
    cmake -S "$here" -B "$build" "${flags[@]}" -DBRISOMAR_SANITIZE=ON >/dev/null
    cmake --build "$build"
    ctest --test-dir "$build" --output-on-failure -j2
    ;;
thread)
    build="$here/build-tsan"
    labels='^(engine|app)$'
    cmake -S "$here" -B "$build" "${flags[@]}" -DBRISOMAR_TSAN=ON -DBRISOMAR_GUI=OFF >/dev/null
    cmake --build "$build"
    ctest --test-dir "$build" --output-on-failure -j2 -L "$labels"
    ;;
*)
    echo "usage: $0 address|thread" >&2
    exit 2
    ;;
esac
