#!/usr/bin/env bash
# Configures one build directory: configure.sh BUILD_DIR [extra CMake arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$1"
shift
extra=()
if [[ "$(uname -s)" == "Darwin" ]]; then
    # Homebrew's ICU is keg-only; Qt is found through its prefix too.
    extra+=("-DCMAKE_PREFIX_PATH=$(brew --prefix icu4c);$(brew --prefix qt)")
    # The Apple backend by default; PLUMEO_BACKEND=sim makes the simulator's the default.
    extra+=("-DPLUMEO_BACKEND=${PLUMEO_BACKEND:-apple}")
fi
# A compiler cache makes the several build directories (normal, sanitizers, fuzzing) and
# repeated clean checkouts cheap; it is used only when it is installed.
if command -v ccache >/dev/null; then
    extra+=("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache" "-DCMAKE_C_COMPILER_LAUNCHER=ccache")
fi
cmake -S "$root" -B "$build_dir" -G Ninja "${extra[@]}" "$@" >/dev/null
