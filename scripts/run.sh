#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the analysis of an article
# (statistics, autocorrect risks, estimated duration per mode). Pass an article file to
# analyse it instead of the bundled sample.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"
bash scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs" --target plumeo-analyze
exec build/app/plumeo-analyze "${1:-$root/app/samples/sample-article.txt}"
