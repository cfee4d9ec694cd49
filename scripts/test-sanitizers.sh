#!/usr/bin/env bash
# Builds everything once more with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test there; any report fails the run, also one from a
# program a test starts and kills (each report goes to a file, checked at the end).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${KOVRA_SANITIZE_DIR:-$root/build-sanitize}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_SANITIZE=ON
fi
cmake --build "$build"
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
# Leaks inside system libraries only (Qt's platform plugins, fontconfig); never our code.
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
cd "$build"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j"$(nproc)" "$@" || status=$?
if compgen -G "$reports/*" > /dev/null; then
    cat "$reports"/*
    echo "Sanitizer reports above."
    exit 1
fi
exit "$status"
