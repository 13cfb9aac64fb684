#!/usr/bin/env bash
# Installs what is missing, configures and builds Brisomar (with its tools root).
# Usage: scripts/build.sh [build-dir] [target...]   (no target: everything, tests included)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
shift || true

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$build" "${targets[@]}"
