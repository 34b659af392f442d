#!/usr/bin/env bash
# Side by side, into fresh LibreOffice Writer documents (each with an office and a virtual
# display of its own): a mixed Chinese/English/emoji article typed by `xdotool type` at its
# default delay (12 ms) and at 1 ms, and by Plumeo in the stable and fast modes. Prints a
# Markdown table: characters lost or changed (read back through UNO), time, units per second.
# Usage: measure-writer.sh [CHARACTERS (default 2000)] [STABLE_SPEED chars/min, at most 1200 (default)]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
characters="${1:-2000}"
stable_speed="${2:-1200}"
bash scripts/install-deps.sh
jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"
bash scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs" --target plumeo plumeo-writer-measure
out=build/writer-measure
mkdir -p "$out"
measure=build/bench/writer/plumeo-writer-measure
"$measure" article "$out/article.txt" "$characters"
printf 'x' >"$out/one.txt"
units="$(iconv -f UTF-8 -t UTF-16LE "$out/article.txt" | wc -c)"
units=$((units / 2))

# Plumeo's run includes starting and stopping the display and the office: a one-character
# session measures that, and is taken off.
now() { date +%s.%N; }
started="$(now)"
env -u DISPLAY build/app/plumeo --type "$out/one.txt" --backend writer --no-autocorrect \
    --countdown 0 --mode fast --json >/dev/null 2>&1 || true
overhead="$(echo "$(now) - $started" | bc)"

plumeo_row() {
    local label="$1"
    shift
    local begin end status verified seconds
    begin="$(now)"
    status=0
    env -u DISPLAY build/app/plumeo --type "$out/article.txt" --backend writer --no-autocorrect \
        --countdown 0 --json "$@" >"$out/plumeo.json" 2>"$out/plumeo.log" || status=$?
    end="$(now)"
    seconds="$(echo "$end - $begin - $overhead" | bc)"
    if grep -q '"finalVerified": true' "$out/plumeo.json"; then
        verified="0 (verified)"
    else
        verified="not verified (exit $status)"
    fi
    printf '| %s | %s | %.1f s | %.1f |\n' "$label" "$verified" "$seconds" \
        "$(echo "$units / $seconds" | bc -l)"
}

echo "Article: $characters characters, $units UTF-16 units; office start-up and stop: ${overhead} s"
echo
echo "| Method | lost or changed | time | units/s |"
echo "|---|---|---|---|"
"$measure" xdotool 12 "$out/article.txt"
"$measure" xdotool 1 "$out/article.txt"
plumeo_row "Plumeo stable ($stable_speed chars/min)" --mode stable --speed "$stable_speed"
plumeo_row "Plumeo fast" --mode fast
