#!/usr/bin/env bash
# Builds Brisomar and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (in build-asan) and runs the whole test suite; any sanitizer report fails it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exec "$here/scripts/sanitize.sh" address
