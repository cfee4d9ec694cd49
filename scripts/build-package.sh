#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/kovra_<version>_<arch>.deb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KOVRA_BUILD_DIR:-$root/build}"
# Everything but the package's path goes to stderr, where a build error stays in sight.
"$root/scripts/install-deps.sh" >&2
"$root/scripts/build.sh" >&2
cd "$build"
rm -f kovra_*.deb
cpack -G DEB >&2
ls "$build"/kovra_*.deb
