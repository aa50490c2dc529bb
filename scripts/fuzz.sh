#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets of tests/fuzz with clang++ (ASan and
# UBSan on the logic libraries too) in build-fuzz/ and runs each for a while.
#
# Usage: scripts/fuzz.sh [seconds-per-target]     (default 20)
#
# Each target starts from a copy of its seed corpus, tests/fuzz/corpus/<Name>/,
# kept in build-fuzz/corpus/<Name>/ (what it finds there is kept for the next
# run; the seeds in the source tree are never written). An input that crashes,
# hangs (over 10 s) or leaks is saved in build-fuzz/crashes/<Name>/ and is
# reproduced with build-fuzz/tests/fuzz/<Name>Fuzz <saved file>. libFuzzer's
# own output goes to build-fuzz/logs/<Name>.log. The targets never use the
# network; where user namespaces allow it they run without one at all.
# Without clang++ nothing is done (exit 0). Exit 1 when any target failed.
# Environment: VYK_FUZZ_BUILD (build directory), VYK_FUZZ_TARGETS (names to run,
# blank-separated, e.g. "StatusAnswer MasterReply").
set -uo pipefail

seconds=${1:-20}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds-per-target]" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, fuzzing skipped (scripts/deps.sh test installs it)"
  exit 0
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VYK_FUZZ_BUILD:-$root/build-fuzz}
seeds=$root/tests/fuzz/corpus
targets=(${VYK_FUZZ_TARGETS:-StatusAnswer MasterReply ProfileFile ListFile SetAddress ColourText DemoPath CommandLine})

mkdir -p "$build/logs"
if ! cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVYK_FUZZ=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" \
      >"$build/logs/configure.log" 2>&1; then
  echo "fuzz: configure failed:"
  tail -n 20 "$build/logs/configure.log"
  exit 1
fi
if ! cmake --build "$build" -j"$(nproc)" --target vyk_fuzz >"$build/logs/build.log" 2>&1; then
  echo "fuzz: build failed:"
  grep -E "error|FAILED" "$build/logs/build.log" | head -n 20
  exit 1
fi

# The targets' files (Config.ini, list files) go to a scratch directory,
# in memory when /dev/shm allows.
scratch_base=/dev/shm
[ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=$build
scratch=$(mktemp -d "$scratch_base/vyk-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# No network at all for the fuzzers, when an unprivileged namespace can be had.
isolate=()
if command -v unshare >/dev/null 2>&1 && unshare -rn true >/dev/null 2>&1; then
  isolate=(unshare -rn)
fi

failed=0
for name in "${targets[@]}"; do
  binary=$build/tests/fuzz/${name}Fuzz
  corpus=$build/corpus/$name
  crashes=$build/crashes/$name
  log=$build/logs/$name.log
  if [ ! -x "$binary" ]; then
    printf '%-13s %12s  FAILED (no such target)\n' "$name" "-"
    failed=1
    continue
  fi
  mkdir -p "$corpus" "$crashes"
  [ -d "$seeds/$name" ] && cp -p "$seeds/$name"/* "$corpus"/ 2>/dev/null
  started=$build/logs/$name.started  # inputs saved by this run are newer
  touch "$started"

  # libFuzzer stops itself after the time given; the outer limit only
  # catches a run that cannot stop.
  TMPDIR=$scratch ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    timeout -k 10 $((seconds + 120)) "${isolate[@]}" "$binary" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" >"$log" 2>&1
  status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  [ -n "$runs" ] || runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
  [ -n "$runs" ] || runs="?"
  saved=$(find "$crashes" -maxdepth 1 -type f -newer "$started" | head -n 1)
  if [ "$status" -eq 0 ] && [ -z "$saved" ]; then
    printf '%-13s %12s runs  ok\n' "$name" "$runs"
  else
    failed=1
    printf '%-13s %12s runs  FAILED (exit %d)\n' "$name" "$runs" "$status"
    if [ -n "$saved" ]; then
      echo "  input saved: $saved"
    fi
    echo "  log: $log"
    # What went wrong first, then how the run ended.
    grep -m 4 -E 'check failed|ERROR:|runtime error|ALARM|out-of-memory|leak' "$log" | sed 's/^/  | /'
    tail -n 12 "$log" | sed 's/^/  | /'
  fi
done
exit "$failed"
