#!/usr/bin/env bash
# Installs what is missing, builds Vesk and its tools (not the tests), prepares the demo
# workspace and starts Vesk there.
set -euo pipefail
cd "$(dirname "$0")"
# Without a display there is nothing to show: say so before minutes of installing and building.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display. Start it from a desktop session, or under a virtual one:" >&2
    echo "        xvfb-run -a ./run.sh" >&2
    exit 1
fi
scripts/deps.sh
if [ ! -f build/build.ninja ]; then
    echo "run.sh: the first build takes some minutes; later starts only rebuild what changed."
fi
scripts/build.sh vesk-apps
exec scripts/workspace.sh "$PWD/build" "$PWD/workspace"
