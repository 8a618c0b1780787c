#!/usr/bin/env bash
# A large C source (7,000 lines from bigsource.awk: many small functions over a table of
# structs, with loops and switches) compiled by cc38h as the C build runs it: in a workspace's
# tools folder, on a source named by its DOS path. The target is 2 s of wall time; plain
# h8300-hms-gcc -mh -O2 -c on the same file is printed beside it as the floor.
# Usage: bench/toolchain/run.sh BUILD_DIR (built with the target vesk-toolchain, which
# vesk-workspace copies; the cross tools installed). Exits non-zero when the target is missed.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "$1")
lines=7000
runs=${VESK_BENCH_RUNS:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/vesk-workspace" "$work" >/dev/null
src=$work/samples/big.c
awk -v lines="$lines" -f "$here/bigsource.awk" >"$src"
# The generator stops short of a whole group; blank lines make up the count.
for ((i = $(wc -l <"$src"); i < lines; i++)); do echo >>"$src"; done

# Wall time of one run in seconds, from the shell's own timer.
TIMEFORMAT=%R
timed() { { time "$@" >"$work/out" 2>&1; } 2>&1; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
t_cc38h='' t_gcc=''
for ((i = 0; i < runs; i++)); do
    rm -f "$work"/tools/big.obj
    # As C38.bat runs it: the tool folder current, its drives the workspace's, as Vesk hands
    # them to the tools it starts.
    t=$(cd "$work/tools" && VESK_DOSDEVICES=$work/dosdevices \
        timed ./cc38h.exe -abs16 -CPU=300HA -INCLUDE="C:\\tools\\" "C:\\samples\\big.C") || {
        echo "toolchain: cc38h did not compile the source" >&2
        cat "$work/out" >&2
        exit 1
    }
    t_cc38h=$(best "$t" "$t_cc38h")
    t=$(timed h8300-hms-gcc -mh -O2 -c -I "$work/tools/include" -o "$work/ref.o" "$src")
    t_gcc=$(best "$t" "$t_gcc")
done
# A compile that failed at once would time nothing: the object must be there.
[ -s "$work/tools/big.obj" ] || { echo "toolchain: no big.obj" >&2; exit 1; }

awk -v t="$t_cc38h" -v g="$t_gcc" -v n="$lines" 'BEGIN {
    printf "toolchain: %d-line C file, cc38h %.2f s, h8300-hms-gcc -mh -O2 -c %.2f s\n", n, t, g
    printf "cc38h %d-line compile/2 s ratio: %.2f (target <= 1)\n", n, t / 2
    printf "cc38h/h8300-hms-gcc time ratio: %.2f\n", t / g
    exit !(t / 2 <= 1)
}'
