#!/usr/bin/env bash
# Image conversion benchmarks, each printed as a ratio against its reference:
#   - 16 MiB of data in S2 records of 32 bytes: vesk-mot2bin against objcopy on the same file;
#   - 256 bytes at 0 and 8,368 at FFDF50: vesk-mot2bin against dd writing as many zero bytes;
#   - peak memory of those two and of a 640-byte file that asks for 320 MiB of fill.
# Usage: bench/image/run.sh BUILD_DIR (built with the targets vesk-mot2bin, vesk-srecgen and
# vesk-benchtime). Exits non-zero when a target is missed.
set -euo pipefail
build=$(realpath "$1")
mot2bin=$build/bin/vesk-mot2bin
srecgen=$build/bench/image/vesk-srecgen
timer=$build/bench/image/vesk-benchtime
runs=${VESK_BENCH_RUNS:-7}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$srecgen" contiguous "$work/contig.mot" 1
"$srecgen" fill "$work/fill.mot" 2
"$srecgen" bigfill "$work/big.mot" 3

# Best of several runs on each side, taken in turn, so both sides see the same machine.
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
peak() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a > b) ? a : b }'; }
t_contig='' t_objcopy='' t_fill='' t_dd='' rss_contig='' rss_fill=''
for ((i = 0; i < runs; i++)); do
    read -r t rss < <("$timer" 1 "$mot2bin" "$work/contig")
    t_contig=$(best "$t" "$t_contig") rss_contig=$(peak "$rss" "$rss_contig")
    read -r t _ < <("$timer" 1 objcopy -I srec -O binary "$work/contig.mot" "$work/contig.ref")
    t_objcopy=$(best "$t" "$t_objcopy")
    read -r t rss < <("$timer" 1 "$mot2bin" "$work/fill")
    t_fill=$(best "$t" "$t_fill") rss_fill=$(peak "$rss" "$rss_fill")
    read -r t _ < <("$timer" 1 dd if=/dev/zero of="$work/dd.bin" bs=1M count=16 status=none)
    t_dd=$(best "$t" "$t_dd")
done
read -r _ rss_big < <("$timer" 1 "$mot2bin" "$work/big")

# The images must be right for the times to mean anything.
cmp "$work/contig.BIN" "$work/contig.ref"
objcopy -I srec -O binary "$work/fill.mot" "$work/fill.ref"
cmp "$work/fill.BIN" "$work/fill.ref"
[ "$(stat -c %s "$work/big.BIN")" -eq $((320 << 20)) ] || { echo "bigfill: wrong image size" >&2; exit 1; }

status=0
report() { # label value reference target-text limit
    local ratio
    ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
    echo "$1 ratio: $ratio (target $4) [$2 / $3]"
    awk -v r="$ratio" -v l="$5" 'BEGIN { exit !(r <= l) }' || status=1
}
report "mot2bin/objcopy time (16 MiB of S2 data)" "$t_contig" "$t_objcopy" "<= 0.5" 0.5
report "mot2bin/dd time (16 MiB of fill)" "$t_fill" "$t_dd" "<= 3" 3
limit_kib=$((32 << 10))
report "mot2bin peak memory/32 MiB (16 MiB of data)" "$rss_contig" "$limit_kib" "< 1" 0.99
report "mot2bin peak memory/32 MiB (16 MiB of fill)" "$rss_fill" "$limit_kib" "< 1" 0.99
report "mot2bin peak memory/32 MiB (320 MiB of fill from 640 bytes)" "$rss_big" "$limit_kib" "< 1" 0.99
exit $status
