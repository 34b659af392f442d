#!/usr/bin/env bash
# The self-test stage of CI: selftest-ci.sh BUILD_DIR
# Runs, against simulators it starts, every self-test group in its quick variant (the four
# that make up "all": core, interrupts, safety, quit; and the four outside it: smoke, ui, bg,
# resume) and the four probes, keeps every report in BUILD_DIR/selftest-reports and fails on
# any failed scenario, any "未执行" its scenario's own rule does not allow, and any probe
# report cut short (plumeo-selftest-check judges them).
#
# The runs wait on typing pace and timers, not on the processor (a few per cent of one core
# each), so they run side by side, each with a simulator of its own: the stage lasts as long
# as its longest group (interrupts) instead of the sum. That is why "all" runs as its four
# groups: the same scenarios in the same order, in four reports instead of one. Every simulator
# starts with no document open, as a machine with no user documents would, so Q1 really quits
# Word instead of being skipped.
set -uo pipefail
build="$(cd "${1:-build}" && pwd)"
plumeo="$build/app/plumeo"
simulator="$build/sim/plumeo-sim"
checker="$build/app/selftest/plumeo-selftest-check"
reports="$build/selftest-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Socket paths must stay short, whatever the build folder's path.
sockets="$(mktemp -d /tmp/plumeo-selftest-ci.XXXXXX)"
trap 'rm -rf "$sockets"' EXIT
started=$SECONDS

# Writes the second at which each scenario's entry reached the report, for the times table.
stamp_entries() {
    local report="$1" pid="$2"
    tail -n +1 -F --pid="$pid" "$report" 2>/dev/null | while IFS= read -r line; do
        [[ "$line" == '### ['* ]] && printf '%d\t%s\n' "$((SECONDS - started))" "$line"
    done
}

# run_job NAME REPORT ARGUMENT…: one plumeo run against a simulator of its own; the report
# folder goes where an argument says DIR, as the switch wants its values directly after it.
run_job() {
    local name="$1" report="$2"
    shift 2
    local arguments=() argument
    for argument in "$@"; do
        [[ "$argument" == DIR ]] && argument="$reports"
        arguments+=("$argument")
    done
    local socket="$sockets/$name.sock"
    "$simulator" --socket "$socket" --documents 0 >"$reports/$name.sim.log" 2>&1 &
    local simulator_pid=$!
    for _ in $(seq 100); do
        [[ -S "$socket" ]] && break
        sleep 0.1
    done
    local job_started=$SECONDS
    "$plumeo" "${arguments[@]}" --backend sim --sim-socket "$socket" >"$reports/$name.log" 2>&1 &
    local pid=$!
    stamp_entries "$reports/$report" "$pid" >"$reports/$name.times" &
    local stamp_pid=$!
    wait "$pid"
    local status=$?
    wait "$stamp_pid"
    printf '%s\t%d\t%ds\n' "$name" "$status" "$((SECONDS - job_started))" >>"$reports/jobs.tsv"
    kill "$simulator_pid" 2>/dev/null
    wait "$simulator_pid" 2>/dev/null
    return 0
}

echo "== self-test stage: reports in $reports"
groups=(core interrupts safety quit smoke ui bg resume)
for group in "${groups[@]}"; do
    run_job "$group" "selftest-$group.md" --selftest "$group" DIR --quick &
done
# The probes after one another: they share no state but keep the stage's load small.
(
    run_job probe probe.md --probe DIR
    run_job probe-background probe-background.md --probe-background DIR
    run_job probe-pages probe-pages.md --probe-pages DIR
    run_job probe-emoji probe-emoji.md --probe-emoji DIR
) &
wait

echo "-- runs (name, exit status, duration):"
sort "$reports/jobs.tsv"
status=0
# A self-test run exits 1 on a failed scenario, which the checker names; anything else
# (a crash, a usage error, a probe that did not exit 0) is a failure of its own.
while IFS=$'\t' read -r name code _; do
    if [[ "$code" != 0 && ! ("$code" == 1 && "$name" != probe*) ]]; then
        echo "$name: plumeo exited with status $code (see $reports/$name.log)"
        status=1
    fi
done <"$reports/jobs.tsv"
echo "-- verdict:"
results=()
for group in "${groups[@]}"; do results+=("$reports/selftest-$group.json"); done
"$checker" "${results[@]}" \
    "$reports"/probe{,-background,-pages,-emoji}.md || status=1
echo "== self-test stage took $((SECONDS - started)) s ($([[ $status == 0 ]] && echo passed || echo FAILED))"
exit "$status"
