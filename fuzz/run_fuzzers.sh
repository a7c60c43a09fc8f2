#!/bin/sh
# Builds the libFuzzer targets with clang and runs each one for a bounded time.
#
#   fuzz/run_fuzzers.sh [seconds-per-target] [target...]
#
# Seconds default to 15 (four targets, about a minute in all). The targets start from a scratch
# copy of the committed seed corpus, so what they learn on the way never grows the repository.
# A target that finds a fault stops at once; its input is kept under
# $BUILD_DIR/fuzz-artifacts/ and the script exits with status 1.
#
# Environment: BK_FUZZ_BUILD_DIR (default: build-fuzz in the source tree), CC and CXX (default
# clang and clang++), BK_FUZZ_JOBS (parallel compile jobs, default 2), BK_FUZZ_KEEP_CORPUS (a
# folder: the grown corpora are copied there instead of being thrown away).
set -eu

seconds=${1:-15}
[ $# -gt 0 ] && shift
targets=${*:-"patterns_fuzzer cursor_list_fuzzer file_extension_fuzzer fingerprint_fuzzer"}

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${BK_FUZZ_BUILD_DIR:-$source_dir/build-fuzz}
artifacts=$build_dir/fuzz-artifacts

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$source_dir" -B "$build_dir" \
    -DBK_FUZZ=ON -DBK_BUILD_TESTS=OFF >/dev/null
# shellcheck disable=SC2086 # the target list is meant to split into words
cmake --build "$build_dir" --parallel "${BK_FUZZ_JOBS:-2}" --target $targets

scratch=$(mktemp -d "${TMPDIR:-/tmp}/bk-fuzz.XXXXXX")
child=""
trap 'rm -rf "$scratch"' EXIT
# Stopping the script stops the running target, too.
trap '[ -n "$child" ] && kill "$child" 2>/dev/null; exit 130' INT TERM
mkdir -p "$artifacts"

failed=""
summary=""
for target in $targets; do
    corpus=$scratch/$target
    mkdir -p "$corpus"
    if [ -d "$here/corpus/$target" ]; then
        cp "$here/corpus/$target"/* "$corpus"/
    fi
    log=$scratch/$target.log
    echo "== $target: $seconds s"
    status=0
    "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$corpus" >"$log" 2>&1 &
    child=$!
    wait "$child" || status=$?
    child=""
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        failed="$failed $target"
        summary="$summary$target: FAILED (status $status) after ${runs:-?} runs\n"
    else
        summary="$summary$target: ${runs:-?} runs in $seconds s, corpus $(find "$corpus" -type f | wc -l)\n"
    fi
    if [ -n "${BK_FUZZ_KEEP_CORPUS:-}" ]; then
        mkdir -p "$BK_FUZZ_KEEP_CORPUS/$target"
        cp "$corpus"/* "$BK_FUZZ_KEEP_CORPUS/$target"/ 2>/dev/null || true
    fi
done

printf '%b' "$summary"
if [ -n "$failed" ]; then
    echo "Faults found by:$failed; inputs under $artifacts" >&2
    exit 1
fi
