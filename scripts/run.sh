#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the analysis of an article
# (statistics, autocorrect risks, estimated duration per mode), then a whole session that types
# it into a simulated Word started for the purpose and verifies it by reading it back. Pass an
# article file (UTF-8) to use it instead of the bundled sample.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
article="${1:-$root/app/samples/sample-article.txt}"
bash scripts/install-deps.sh
jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"
bash scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs" --target plumeo plumeo-sim
build/app/plumeo --analyze "$article"
echo
exec build/app/plumeo --type "$article" --start-simulator --no-autocorrect --countdown 0 --speed 1200
