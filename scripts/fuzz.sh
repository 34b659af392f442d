#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each on its seed corpus for a fixed time.
#   fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 20 seconds, every target)
#   fuzz.sh --build-only [TARGET...]              (builds the targets and runs none)
# New inputs go to a scratch corpus, so the committed seeds stay a handful; a failing input is
# kept under <build dir>/fuzz-artifacts/<target>/. Exits non-zero on any crash, sanitizer
# report, time-out or leak.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_only=false
if [[ "${1:-}" == --build-only ]]; then
    build_only=true
    shift
    seconds=0
else
    seconds="${1:-20}"
    shift || true
fi
build_dir="${PLUMEO_FUZZ_BUILD_DIR:-$root/build-fuzz}"
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(prepare autocorrect_risk compare resume_locator json_decoders sim_protocol sim_service utf16)
fi

CC="${CC:-clang}" CXX="${CXX:-clang++}" bash "$root/scripts/configure.sh" "$build_dir" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLUMEO_BUILD_FUZZERS=ON \
    -DPLUMEO_BUILD_TESTS=OFF -DPLUMEO_BUILD_BENCH=OFF
cmake --build "$build_dir" --target "${targets[@]/#/fuzz_}"
$build_only && exit 0

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "${targets[@]}"; do
    artifacts="$build_dir/fuzz-artifacts/$target/"
    mkdir -p "$scratch/$target" "$artifacts"
    log="$scratch/$target.log"
    if "$build_dir/fuzz/fuzz_$target" "$scratch/$target" "$root/fuzz/corpus/$target" \
        -max_total_time="$seconds" -timeout=10 -artifact_prefix="$artifacts" \
        -print_final_stats=1 >"$log" 2>&1; then
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
        echo "fuzz_$target: ${runs:-?} runs, no failure"
    else
        echo "fuzz_$target: FAILED (input kept in $artifacts)"
        tail -n 60 "$log"
        status=1
    fi
done
exit "$status"
