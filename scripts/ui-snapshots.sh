#!/usr/bin/env bash
# Writes the interface snapshots for review: light and dark, idle with the demo article, the
# introduction, a running session and a paused one (each with the floating panel), into
# OUTPUT_DIR/<appearance>-<scene>/ui-window-N.png. Usage: ui-snapshots.sh PLUMEO OUTPUT_DIR
set -euo pipefail
plumeo="$1"
out="$2"
rm -rf "$out"
for appearance in light dark; do
    for scene in idle intro running paused; do
        "$plumeo" --ui-snapshot "$out/$appearance-$scene" --appearance "$appearance" --demo \
            --ui-scene "$scene" --start-simulator >/dev/null 2>&1
    done
done
count=$(find "$out" -name 'ui-window-*.png' | wc -l)
# One window per idle and intro scene, the window and the panel for each session scene.
if [[ "$count" -ne 12 ]]; then
    echo "expected 12 snapshots in $out, found $count" >&2
    exit 1
fi
echo "$count snapshots in $out"
