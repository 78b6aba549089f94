#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each of
# them in turn for the given number of seconds (default 60), starting from
# the committed seeds in fuzz/corpus/<target>/.  The growing corpus is kept
# in build-fuzz/corpus/<target>/ and findings in build-fuzz/findings/; the
# script fails when a target finds a crash, a leak, a sanitizer report, a
# timeout or an allocation beyond the limits below.
#
# Usage: scripts/fuzz.sh [seconds] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

# QUILMO_FUZZ_BUILD names a build folder configured with QUILMO_FUZZ on
# already (CI passes the sanitizer build of scripts/sanitize.sh); otherwise a
# build of the fuzz targets alone is configured in build-fuzz/.
bdir=${QUILMO_FUZZ_BUILD:-build-fuzz}
if [ -z "${QUILMO_FUZZ_BUILD:-}" ]; then
    launcher=()
    if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILMO_FUZZ=ON -DQUILMO_TESTS=OFF "${launcher[@]}" >/dev/null
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_input fuzz_qlascii fuzz_qlbinary fuzz_jana fuzz_ccp4 fuzz_symtab fuzz_run fuzz_import)
fi
cmake --build "$bdir" -j"$(nproc)" --target "${targets[@]}"

# An allocation the program cannot get must reach it as std::bad_alloc (its
# own "Error allocating ..." stop), not as an abort of the sanitizer; one
# larger than 512 MB is refused that way, far below libFuzzer's own limits.
export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=512:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p "$bdir"/findings
# Absolute, because the whole-run target works in a folder of its own while
# a finding is written.
findings=$(cd "$bdir"/findings && pwd)
status=0
for t in "${targets[@]}"; do
    corpus=$bdir/corpus/$t
    mkdir -p "$corpus"
    echo "== $t: ${seconds} s"
    if ! "$bdir"/fuzz/"$t" "$corpus" fuzz/corpus/"$t" -max_total_time="$seconds" \
        -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=1024 -max_len=65536 \
        -artifact_prefix="$findings"/"$t"- -print_final_stats=1 \
        > "$bdir"/"$t".log 2>&1; then
        echo "FINDING in $t: see $bdir/$t.log and $bdir/findings/"
        tail -n 40 "$bdir"/"$t".log
        status=1
    fi
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" \
        "$bdir"/"$t".log || true
    echo "corpus: $(ls "$corpus" | wc -l) files"
done
exit $status
