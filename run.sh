#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo workspace and starts Vesk there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display. Start it from a desktop session, or under a virtual one:" >&2
    echo "        xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec scripts/workspace.sh "$PWD/build" "$PWD/workspace"
