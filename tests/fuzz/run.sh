#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for the given number of seconds (default 30) from its corpus of kept inputs.
# A crash fails the run; its input is written into the build folder as crash-<target>-*. Once
# the fault is mended, put that input into the target's corpus folder: the test run replays
# every corpus file (the fuzz_corpus_* tests), so it stays a regression test.
set -euo pipefail
seconds="${1:-30}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
"$root/scripts/install-deps.sh"
build="${KOVRA_FUZZ_DIR:-$root/build-fuzz}"
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_FUZZ=ON
fi
cmake --build "$build" --target fuzz_jetdialect fuzz_locator fuzz_edireader fuzz_maprequest fuzz_hamlibanswer \
    fuzz_chatreader fuzz_serverrow fuzz_clusterreader fuzz_calllist fuzz_wsjtxmessage
for target in fuzz_jetdialect fuzz_locator fuzz_edireader fuzz_maprequest fuzz_hamlibanswer fuzz_chatreader \
    fuzz_serverrow fuzz_clusterreader fuzz_calllist fuzz_wsjtxmessage; do
    corpus="$root/tests/fuzz/corpus/${target#fuzz_}"
    work="$build/corpus-${target#fuzz_}"
    mkdir -p "$work"
    echo "== $target for $seconds s"
    ASAN_OPTIONS="detect_leaks=0" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/crash-${target#fuzz_}-" "$work" "$corpus"
done
