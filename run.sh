#!/usr/bin/env bash
# Builds Brisomar when needed and starts it. Arguments go to the program.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/build.sh" "$here/build"
exec "$here/build/brisomar" "$@"
