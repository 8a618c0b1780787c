#!/usr/bin/env bash
# Prepares the demo workspace and starts Vesk in it, beside a virtual board.
# Usage: workspace.sh BUILD_DIR WORKSPACE_DIR
#
# The workspace is Vesk's start-up directory: it holds H8C.ini, the reset-vector templates,
# the sample programs (samples/) and a drive map (dosdevices/): C: is the workspace, D: the
# bundled toolchain, Z: the whole host, and com1 the virtual board's pseudo-terminal.
# A second run reuses it and keeps H8C.ini and your files.
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
ws=$(cd "$2" && pwd)

mkdir -p "$ws/dosdevices" "$ws/samples"
ln -sfn "$ws" "$ws/dosdevices/c:"
ln -sfn "$build/toolchain" "$ws/dosdevices/d:"
ln -sfn / "$ws/dosdevices/z:"
for t in "$build"/templates/RESETV_*.MAR; do
    [ -e "$ws/$(basename "$t")" ] || cp "$t" "$ws/"
done
for s in "$build"/toolchain/samples/*; do
    [ -e "$ws/samples/$(basename "$s")" ] || cp "$s" "$ws/samples/"
done
if [ ! -e "$ws/H8C.ini" ]; then
    printf 'C:\\samples\\\r\nFFDF50\r\nD:\\\r\nFFDF50\r\n200\r\n' > "$ws/H8C.ini"
fi

# The virtual board prints one line per frame it receives; it ends with Vesk.
rm -f "$ws/dosdevices/com1"
board_log="$ws/board.log"
"$build/bin/vesk-board" --link "$ws" --keep "$ws/received" > >(tee -a "$board_log") 2>&1 &
board=$!
trap 'kill "$board" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -L "$ws/dosdevices/com1" ] && [ -e "$ws/dosdevices/com1" ] && break
    sleep 0.1
done
echo "Vesk: workspace $ws (the virtual board's lines also go to $board_log)"
cd "$ws"
"$build/bin/vesk"
