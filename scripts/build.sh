#!/usr/bin/env bash
# Configures (once) and builds Vesk into ./build: the given targets, or everything (the tools,
# the toolchain and the tests) without any.
# VESK_WERROR=ON in the environment (the CI sets it) turns compiler warnings into errors;
# unset, the build keeps whatever it was configured with.
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
[ -n "${VESK_WERROR:-}" ] && options+=("-DVESK_WERROR=$VESK_WERROR")
if [ ! -f build/build.ninja ] || [ ${#options[@]} -gt 0 ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
fi
targets=()
for t in "$@"; do
    targets+=(--target "$t")
done
cmake --build build -j2 "${targets[@]}"
