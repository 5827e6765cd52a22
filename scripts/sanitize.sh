#!/usr/bin/env bash
# Builds the whole program and its tests (Qt included) with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs every test suite there. The first
# report ends the run and fails the script. The benchmarks are left out: nothing runs
# them here. Takes about 6 minutes on two cores without a compiler cache.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# -O1 with line tables only: what the sanitizers' reports need; the build, which is
# most of this script's time, is quicker than at -O2 with full debug information.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" -DVANTREL_WITH_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j2

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Leaks stay reported, but for the system libraries named there.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
