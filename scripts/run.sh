#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kovra log. Arguments go to the program
# (for instance --database FILE, or an EDI file to view).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "${KOVRA_BUILD_DIR:-$root/build}/kovra" "$@"
