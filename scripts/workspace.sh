#!/usr/bin/env bash
# Prepares a demo workspace (start-up directory) and starts Vesk in it.
# Usage: workspace.sh BUILD_DIR WORKSPACE_DIR
set -euo pipefail
build=$1
ws=$2
mkdir -p "$ws"
cd "$ws"
exec "$build/bin/vesk"
