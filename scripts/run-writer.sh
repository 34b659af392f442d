#!/usr/bin/env bash
# Installs what is missing (LibreOffice Writer, its SDK, Xvfb, openbox, the X libraries),
# builds, and types an article into a real LibreOffice Writer: a fresh document in an office
# with a profile of its own, on the user's X display or, when there is none, on a virtual one
# (Xvfb with openbox) that ends with the session. The session is verified by reading the
# whole document back. Pass an article file (UTF-8) to use it instead of the bundled sample;
# further arguments go to `plumeo --type` (e.g. --mode stable --speed 600).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
article="${1:-$root/app/samples/sample-article.txt}"
shift || true
bash scripts/install-deps.sh
jobs="$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)"
bash scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs" --target plumeo
if [[ ! -f build/platform/backend/writer/libStyloMacBackendWriter.a ]]; then
    echo "This build has no Writer backend: it needs LibreOffice's SDK and X11's development files" >&2
    exit 1
fi
exec build/app/plumeo --type "$article" --backend writer --no-autocorrect --countdown 0 \
    --mode fast "$@"
