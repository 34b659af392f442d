#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite: once as a
# normal build, once under AddressSanitizer + UBSan. Set PLUMEO_SANITIZER_BUILDS=0 to skip
# the sanitizer builds while iterating.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh

jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"

run_suite() {
    local dir="$1"
    shift
    echo "== building $dir"
    bash scripts/configure.sh "$dir" "$@"
    cmake --build "$dir" --parallel "$jobs"
    echo "== testing $dir"
    ctest --test-dir "$dir" --output-on-failure --parallel "$jobs" --timeout 600
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [[ "${PLUMEO_SANITIZER_BUILDS:-1}" != "0" ]]; then
    run_suite build-asan -DCMAKE_BUILD_TYPE=Debug "-DPLUMEO_SANITIZE=address;undefined" -DPLUMEO_BUILD_BENCH=OFF
fi
