#!/usr/bin/env bash
# The simulator's speed on ordinary compiled C (loop.c: a sort through a compare function,
# 16- and 32-bit arithmetic, calls into the runtime library), built for RAM with the bundled
# toolchain and run unthrottled. Printed as states per host second against the real chip at
# 20 MHz (the target is ten times that) and as a ratio to that target.
# Usage: bench/sim/run.sh BUILD_DIR (built with the targets sim_bench, vesk-build, vesk-cmd
# and vesk-toolchain; the cross tools installed). Exits non-zero when a target is missed.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "$1")
states=${VESK_BENCH_SIM_STATES:-2000000000}
runs=${VESK_BENCH_RUNS:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/vesk-workspace" "$work" >/dev/null
cp "$here/loop.c" "$work/samples/"
if ! (cd "$work" && "$build/bin/vesk-build" compile samples/loop.c) >"$work/build.log" 2>&1; then
    echo "sim: loop.c did not build" >&2
    cat "$work/build.log" >&2
    exit 1
fi
"$build/bench/sim/sim_bench" "$work/samples/loop.bin" "$states" "$runs"
