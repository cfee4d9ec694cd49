#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/kovra_<version>_<arch>.deb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KOVRA_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$build"
rm -f kovra_*.deb
cpack -G DEB >/dev/null
ls "$build"/kovra_*.deb
