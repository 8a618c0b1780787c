#!/bin/sh
# Usage: bench/waitloop/run.sh BUILD_DIR
set -eu
exe="$1/bench/waitloop/waitloop_bench"
if [ ! -x "$exe" ]; then
    echo "waitloop: $exe is not built" >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen exec "$exe"
