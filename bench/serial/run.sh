#!/usr/bin/env bash
# A 65,534-byte image (the largest even one) sent by vesk-send over a pseudo-terminal to
# vesk-board. A pty has no baud rate, so the reference is the time the frame takes on the
# board's 9600-baud line (10 bits a byte): what the program adds beside it should be small.
# Usage: run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR}
bin=$build/bin
work=$(mktemp -d)
board_pid=
cleanup() {
    [ -n "$board_pid" ] && kill "$board_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

image_bytes=65534
frame_bytes=$((image_bytes + 31))
head -c "$image_bytes" /dev/urandom >"$work/image.bin"

"$bin/vesk-board" --count 1 --keep "$work/keep" >"$work/board.out" 2>&1 &
board_pid=$!
for _ in $(seq 100); do
    [ -s "$work/board.out" ] && break
    sleep 0.05
done
port=$(head -n 1 "$work/board.out")

# Wall time and CPU time (user + system) of one send, from the shell's own timer.
TIMEFORMAT='%R %U %S'
{ time "$bin/vesk-send" "$work/image.bin" --port "$port" >/dev/null 2>"$work/send.err"; } 2>"$work/time"
read -r wall user sys <"$work/time"
wait "$board_pid" || true
board_pid=
if ! cmp -s "$work/image.bin" "$work/keep/image-001.bin"; then
    echo "serial: the board did not receive the image intact" >&2
    cat "$work/send.err" "$work/board.out" >&2
    exit 1
fi

awk -v wall="$wall" -v user="$user" -v sys="$sys" -v bytes="$frame_bytes" 'BEGIN {
    line = bytes * 10 / 9600
    printf "serial: 64 KiB frame, line time at 9600 baud %.1f s, vesk-send wall %.3f s, cpu %.3f s\n", line, wall, user + sys
    printf "vesk-send wall/line time ratio: %.4f (target <= 0.05)\n", wall / line
    printf "vesk-send cpu/line time ratio: %.4f (target <= 0.02)\n", (user + sys) / line
}'
