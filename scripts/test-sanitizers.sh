#!/usr/bin/env bash
# Builds everything once more with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test there; any report fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${KOVRA_SANITIZE_DIR:-$root/build-sanitize}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_SANITIZE=ON
fi
cmake --build "$build"
cd "$build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Leaks inside system libraries only (Qt's platform plugins, fontconfig); never our code.
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j"$(nproc)" "$@"
