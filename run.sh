#!/usr/bin/env bash
# Builds Brisomar when needed and starts it. Arguments go to the program.
# Only the program and its tools root are built: the test suite is ./test.sh's.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/build.sh" "$here/build" brisomar brisomar_tools
exec "$here/build/brisomar" "$@"
