#!/usr/bin/env bash
# Prepares the demo workspace and starts Vesk in it, beside a virtual board.
# Usage: workspace.sh BUILD_DIR WORKSPACE_DIR
#
# The workspace is Vesk's start-up directory (see vesk-workspace): H8C.ini, the reset-vector
# templates, samples/, tools/ (the bundled toolchain) and dosdevices/, where com1 links to
# the virtual board's pseudo-terminal. A second run reuses it and keeps H8C.ini and your files.
set -euo pipefail
build=$(cd "$1" && pwd)
"$build/bin/vesk-workspace" "$2" > /dev/null
ws=$(cd "$2" && pwd)

# The virtual board runs each image it receives in its window (its LEDs, switches and the
# program's text), prints one line per frame and keeps each image in received/; it ends with
# Vesk.
"$build/bin/vesk-board" --run --window --link "$ws" --keep "$ws/received" \
    > >(tee -a "$ws/board.log") 2>&1 &
board=$!
trap 'kill "$board" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$ws/dosdevices/com1" ] && break
    sleep 0.1
done
# Without the board Vesk would fall back to a real port and send the image nowhere.
if [ ! -e "$ws/dosdevices/com1" ] || ! kill -0 "$board" 2>/dev/null; then
    echo "run.sh: the virtual board did not start (see $ws/board.log)" >&2
    exit 1
fi
echo "Vesk: workspace $ws; the virtual board's lines also go to $ws/board.log"
cd "$ws"
"$build/bin/vesk"
