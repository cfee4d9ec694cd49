#!/usr/bin/env bash
# Builds the Debian package and checks it as the ecosystem does: the desktop entry, the
# metainfo and the package with their own validators, the files it carries, and the
# installed program, unpacked into a scratch root (never into this machine), creating a log
# and closing cleanly.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="$("$root/scripts/build-package.sh" | tail -n 1)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
echo "Checking $deb"

contents="$(dpkg-deb --contents "$deb")"
for path in ./usr/bin/kovra \
    ./usr/share/applications/io.github.kovralog.Kovra.desktop \
    ./usr/share/icons/hicolor/scalable/apps/io.github.kovralog.Kovra.svg \
    ./usr/share/icons/hicolor/48x48/apps/io.github.kovralog.Kovra.png \
    ./usr/share/icons/hicolor/128x128/apps/io.github.kovralog.Kovra.png \
    ./usr/share/mime/packages/io.github.kovralog.Kovra.xml \
    ./usr/share/metainfo/io.github.kovralog.Kovra.metainfo.xml \
    ./usr/share/man/man1/kovra.1.gz \
    ./usr/share/doc/kovra/copyright \
    ./usr/share/doc/kovra/changelog.Debian.gz; do
    if ! grep -q " $path\$" <<<"$contents"; then
        echo "the package lacks $path"
        exit 1
    fi
done
fields="$(dpkg-deb --field "$deb" Depends Section Maintainer)"
echo "$fields"
for wanted in libjs-leaflet libtimezonemap-data qt6-translations-l10n libqt6widgets6 libqt6httpserver6 \
    libqt6charts6 libsqlite3-0 "Section: hamradio" "Maintainer: Kovra log developers"; do
    grep -q "$wanted" <<<"$fields" || { echo "the control file lacks $wanted"; exit 1; }
done

dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch/root/usr/share/applications/io.github.kovralog.Kovra.desktop"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/io.github.kovralog.Kovra.metainfo.xml"
if [[ "$(file -b "$scratch/root/usr/bin/kovra")" != *", stripped"* ]]; then
    echo "the binary is not stripped"
    exit 1
fi
# Lintian as root, as this machine runs everything; an error fails, warnings are shown.
lintian --allow-root --tag-display-limit 0 "$deb" | tee "$scratch/lintian.txt"
if grep -q '^E:' "$scratch/lintian.txt"; then
    echo "lintian found errors"
    exit 1
fi

# The installed program, from the unpacked tree, with a new log in a home of its own.
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/data" XDG_CONFIG_HOME="$scratch/home/config"
mkdir -p "$HOME"
QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/kovra" --database "$HOME/field.db" \
    >"$scratch/out.txt" 2>&1 &
program=$!
fail() {
    echo "$1"
    cat "$scratch/out.txt"
    kill -KILL "$program" 2>/dev/null || true
    exit 1
}
for _ in $(seq 1 300); do
    [ -s "$HOME/field.db" ] && sqlite3 "$HOME/field.db" "SELECT 1 FROM Setting LIMIT 1" >/dev/null 2>&1 && break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null || fail "the installed program ended at start"
[ -s "$HOME/field.db" ] || fail "the installed program created no log"
# A close the normal way, asked for as a logout asks: at most 20 seconds.
kill -TERM "$program"
for _ in $(seq 1 200); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "the installed program did not close on SIGTERM"
status=0
wait "$program" || status=$?
cat "$scratch/out.txt"
[ "$status" -eq 0 ] || fail "the installed program ended with $status"
[ "$(sqlite3 "$HOME/field.db" "PRAGMA integrity_check")" = ok ] || fail "the new log is damaged"
# Closed the normal way: the window stored where it stood, which a new log does not hold.
[ "$(sqlite3 "$HOME/field.db" "SELECT COUNT(*) FROM Setting WHERE SettingName='MainFormTop'")" -gt 0 ] ||
    fail "the program did not close its window"
echo "The package and the installed program are in order."
