#!/usr/bin/env bash
# Sets everything up, builds, and runs the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
build=${VYK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target vykfind
exec "$build/src/vykfind" "$@"
