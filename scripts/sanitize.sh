#!/usr/bin/env bash
# Builds the program and the tests with AddressSanitizer and UBSan in
# build-asan/ and runs the whole test suite there.  Any report (a memory
# error, a leak, undefined behaviour) fails the test it happens in.
#
# The build is made with clang and also carries the libFuzzer instrumentation
# and the fuzz targets, so that scripts/fuzz.sh can run them from the same
# build (QUILMO_FUZZ_BUILD=build-asan) instead of compiling the library a
# second time.  -O1 keeps the checks and most of the speed at a fraction of
# the compile time of an optimised build.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Sanitize \
    -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g" -DQUILMO_SANITIZE=ON -DQUILMO_FUZZ=ON \
    -DQUILMO_TESTS=ON -DQUILMO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$(nproc)"
# The tests run the program itself as well: the options reach it through the
# environment.  Leaks are reported at every exit, stops included.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
