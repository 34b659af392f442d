#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite as a normal
# build, then the self-test and the probes against simulators (scripts/selftest-ci.sh;
# reports in build/selftest-reports) and self-test groups against a real LibreOffice Writer
# (skipped when it is not installed); then the parsing and comparing suites under
# AddressSanitizer + UBSan, the threaded suites (engine, platform layer, simulator, whole
# sessions) under ThreadSanitizer, and each fuzz target briefly on its corpus (Linux: clang's
# libFuzzer). Set PLUMEO_SANITIZER_BUILDS=0 to skip the sanitizer and fuzz stages,
# PLUMEO_WRITER_STAGE=0 the Writer stage, while iterating.
#
# The sanitizer and fuzzing trees are built in the background, at the lowest priority, while
# the normal build's suites, the self-test and the Writer stage run: those mostly wait on
# typing pace and timers (the self-test stage takes a few per cent of one core, the Writer
# stage about a third of the machine), so the builds use the idle processor instead of
# adding their time to the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh

jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"
started=$SECONDS
sanitizers=true
[[ "${PLUMEO_SANITIZER_BUILDS:-1}" != "0" ]] || sanitizers=false
fuzzing=false
$sanitizers && [[ "$(uname -s)" == "Linux" ]] && fuzzing=true

# The threaded suites only: building the whole tree a third time would not find more races.
# The application's suites hand work between threads through Qt's queued events, whose locks
# ThreadSanitizer cannot see in the distribution's uninstrumented Qt, so they stay out.
tsan_suites=(tests/core/engine/StyloCoreEngineTests tests/trials/PlumeoStopTrialsTests
    tests/platform/StyloMacTests tests/sim/PlumeoSimTests tests/e2e/PlumeoEndToEndTests)
# The suites whose code parses or compares untrusted text: the text pipeline, the comparator
# and locator, the engine's use of them, and the wire formats of the platform layer and the
# simulator. The whole-session and application suites would add build and run time, not
# parsers; the fuzzers cover the decoders again.
asan_suites=(tests/core/text/StyloCoreTextTests tests/core/verify/StyloCoreVerifyTests
    tests/core/engine/StyloCoreEngineTests tests/platform/StyloMacTests tests/sim/PlumeoSimTests)

# build_tree DIR "SUITE…" CMAKE_ARGUMENT…: configures DIR and builds the suites' executables
# (and the simulator they start).
build_tree() {
    local dir="$1" suites=($2)
    shift 2
    echo "== building $dir"
    bash scripts/configure.sh "$dir" "$@"
    local targets=(plumeo-sim) suite
    for suite in "${suites[@]}"; do targets+=("$(basename "$suite")"); done
    cmake --build "$dir" --parallel "$jobs" --target "${targets[@]}"
}

build_sanitizer_trees() {
    build_tree build-asan "${asan_suites[*]}" -DCMAKE_BUILD_TYPE=Debug \
        "-DPLUMEO_SANITIZE=address;undefined" -DPLUMEO_BUILD_BENCH=OFF
    build_tree build-tsan "${tsan_suites[*]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPLUMEO_SANITIZE=thread -DPLUMEO_BUILD_BENCH=OFF
    if $fuzzing; then
        echo "== building build-fuzz"
        bash scripts/fuzz.sh --build-only
    fi
}

# run_suites DIR SUITE…: each suite's executable in turn; the first failure ends the run.
run_suites() {
    local dir="$1" suite
    shift
    echo "== testing $dir"
    for suite in "$@"; do
        echo "-- $suite"
        "$dir/$suite" --gtest_brief=1
    done
}

# The self-test against a real LibreOffice Writer: the smoke and core groups (quick variant) and
# the interference cases Writer can stage (cancel, emergency hot key, canary window in front,
# document switch, script cursor move, dialog). Each run has a virtual display and an office of
# its own, so the three run side by side (PLUMEO_WRITER_SERIAL=1: one after another).
writer_interference_cases=I2,I3,I4a,I5,I7,I8
run_writer_stage() {
    local office=/usr/lib/libreoffice/program/soffice
    if ! command -v soffice >/dev/null && [[ ! -x "$office" ]]; then
        echo "== Writer stage skipped: LibreOffice Writer (soffice) is not installed"
        return
    fi
    if [[ ! -f build/platform/backend/writer/libStyloMacBackendWriter.a ]]; then
        echo "== Writer stage skipped: this build has no Writer backend (LibreOffice SDK missing)"
        return
    fi
    local stage_started=$SECONDS reports=build/writer-selftest
    rm -rf "$reports"
    mkdir -p "$reports"
    local -a suites=(smoke core interrupts)
    local -A pid_of=() status_of=()
    local suite
    for suite in "${suites[@]}"; do
        local extra=()
        [[ "$suite" == interrupts ]] && extra=(--cases "$writer_interference_cases")
        echo "-- plumeo --selftest $suite --quick --backend writer ${extra[*]}"
        env -u DISPLAY build/app/plumeo --selftest "$suite" "$reports" --quick --backend writer \
            "${extra[@]}" >"$reports/$suite.log" 2>&1 &
        pid_of[$suite]=$!
        if [[ "${PLUMEO_WRITER_SERIAL:-0}" == "1" ]]; then
            status_of[$suite]=0
            wait "${pid_of[$suite]}" || status_of[$suite]=$?
        fi
    done
    local failed=0
    for suite in "${suites[@]}"; do
        if [[ -z "${status_of[$suite]:-}" ]]; then
            status_of[$suite]=0
            wait "${pid_of[$suite]}" || status_of[$suite]=$?
        fi
        if [[ "${status_of[$suite]}" != 0 ]]; then
            grep -E '^\| ' "$reports/selftest-$suite.md" >&2 || true
            echo "Writer self-test $suite failed: $reports/selftest-$suite.md" >&2
            failed=1
        fi
    done
    # The exit status says nothing of a case that did not run: the checker allows only the
    # reasons a case's own rule gives.
    local results=()
    for suite in "${suites[@]}"; do results+=("$reports/selftest-$suite.json"); done
    build/app/selftest/plumeo-selftest-check "${results[@]}" || failed=1
    [[ $failed == 0 ]] || return 1
    echo "== Writer stage passed in $((SECONDS - stage_started)) s"
}

echo "== building build"
bash scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs"

if $sanitizers; then
    builds_log=build/sanitizer-builds.log
    echo "== building the sanitizer and fuzzing trees in the background ($builds_log)"
    # A process group of its own, so that a failing stage can stop the builds with it.
    set -m
    (
        renice -n 19 -p "$BASHPID" >/dev/null || true
        build_sanitizer_trees
    ) >"$builds_log" 2>&1 &
    builder=$!
    set +m
    trap 'kill -- "-$builder" 2>/dev/null || true' EXIT
fi

echo "== testing build"
ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 600

# The self-test stage and the Writer stage side by side: each starts simulators or an office
# of its own.
writer_log=build/writer-stage.log
writer=""
if [[ "${PLUMEO_WRITER_STAGE:-1}" != "0" ]]; then
    run_writer_stage >"$writer_log" 2>&1 &
    writer=$!
fi
selftest_status=0
bash scripts/selftest-ci.sh build || selftest_status=$?
if [[ -n "$writer" ]]; then
    writer_status=0
    wait "$writer" || writer_status=$?
    echo "== Writer"
    cat "$writer_log"
    ((writer_status == 0)) || exit "$writer_status"
fi
((selftest_status == 0)) || exit "$selftest_status"

if $sanitizers; then
    build_started=$SECONDS
    builds_status=0
    wait "$builder" || builds_status=$?
    trap - EXIT
    grep '^== ' "$builds_log" || true
    if ((builds_status != 0)); then
        tail -n 80 "$builds_log"
        echo "Building the sanitizer and fuzzing trees failed (whole log: $builds_log)" >&2
        exit "$builds_status"
    fi
    echo "== sanitizer and fuzzing trees built ($((SECONDS - build_started)) s spent waiting for them)"
    run_suites build-asan "${asan_suites[@]}"
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_suites build-tsan "${tsan_suites[@]}"
    if $fuzzing; then
        echo "== fuzzing"
        bash scripts/fuzz.sh "${PLUMEO_FUZZ_SECONDS:-10}"
    fi
fi
echo "== all test stages passed in $((SECONDS - started)) s"
