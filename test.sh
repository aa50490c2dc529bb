#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite.
# Usage: ./test.sh [ctest arguments...]   e.g. ./test.sh -R ProfileFile
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
build=${VYK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest -j "$(nproc)" --output-on-failure --timeout 600 "$@"
