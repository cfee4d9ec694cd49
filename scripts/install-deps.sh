#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# only when one of them is missing, so a second run costs nothing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # The statistics window's plots; Qt Charts' CMake files need Qt OpenGL's, which its
    # package does not bring.
    qt6-charts-dev libqt6opengl6-dev
    # Qt's own dialogs and buttons in Russian.
    qt6-translations-l10n
    # The map page is served by the program itself. Qt HTTP Server's CMake files ask for
    # Qt WebSockets', which its package does not bring.
    qt6-httpserver-dev qt6-websockets-dev
    libsqlite3-dev sqlite3
    tzdata
    libtimezonemap-data
    libjs-leaflet
    fonts-dejavu-core
    clang-format
    # The desktop's own tools: "Установить" refreshes their caches, the tests ask them.
    shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl
    # A real browser runs the map page in the tests.
    chromium
    # libFuzzer and the sanitizers' run-time for the fuzz targets.
    clang libclang-rt-14-dev
    # The Debian package: its icons drawn from the SVG, its dependencies, and the
    # validators that check it.
    librsvg2-bin dpkg-dev file lintian appstream man-db
    # hamlib's rotctld with its dummy rotator, which the rotator test turns.
    libhamlib-utils
    # The shared log: libpq to speak to PostgreSQL, and the server the tests start privately.
    libpq-dev postgresql
)
# The extra packages for running under a virtual display (screenshots, benchmarks).
if [ "${KOVRA_WITH_XVFB:-0}" = 1 ]; then
    packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
