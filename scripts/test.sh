#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (Qt's offscreen platform, no display needed).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "${KOVRA_BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j"$(nproc)" "$@"
# Once more under a zone three hours from UTC: no test may pass only because the machine
# keeps its clock in UTC.
echo "Again with TZ=Europe/Moscow"
TZ=Europe/Moscow QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j"$(nproc)" "$@"
