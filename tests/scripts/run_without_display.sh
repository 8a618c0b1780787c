#!/usr/bin/env bash
# run.sh without a display must stop before it installs or builds anything. The package and
# build commands are stand-ins that record being called (and fail, so that a run.sh that
# went on would stop there rather than start a window).
set -euo pipefail
src=$1
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
for cmd in cmake apt-get sudo dpkg-query ninja; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/called"\nexit 1\n' "$cmd" "$stubs" > "$stubs/$cmd"
    chmod +x "$stubs/$cmd"
done
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY PATH="$stubs:$PATH" bash "$src/run.sh" 2>&1 >/dev/null) ||
    status=$?
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$status" -eq 1 ] || fail "run.sh exited with $status, expected 1"
[[ $err == *"no display"* ]] || fail "run.sh did not say there is no display: $err"
[ ! -e "$stubs/called" ] || fail "run.sh went on: $(cat "$stubs/called")"
echo "1 passed, 0 failed"
