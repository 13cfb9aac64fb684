#!/usr/bin/env bash
# Builds Brisomar and its tests when needed and runs the whole test suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/build.sh" "$here/build"
ctest --test-dir "$here/build" --output-on-failure -j2
