#!/usr/bin/env bash
# Builds every target without the window (-DBRISOMAR_GUI=OFF) in build-headless,
# tests and self-checks included, so that nothing headless comes to need a
# widget; then runs the self-check tests and the program's own --self-test.
# Unoptimised and without debug information: this build is a check of the
# layers, and the sanitized builds already test the code in depth.
# Usage: scripts/headless.sh [build-dir]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-headless}"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DBRISOMAR_GUI=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DCMAKE_C_FLAGS_DEBUG=-O0 >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -L selfcheck
LANG=C.UTF-8 LC_ALL=C.UTF-8 "$build/brisomar" --self-test
