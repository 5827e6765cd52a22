#!/usr/bin/env bash
# Fuzzes the firmware loader: builds the libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs it for FUZZ_SECONDS (default 60),
# starting from generated PHX files. A crash or a broken outcome leaves its input in
# build-fuzz/fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DVANTREL_WITH_QT=OFF -DVANTREL_FUZZ=ON >/dev/null
cmake --build "$build" --target firmware_loader_fuzzer firmware_fuzz_seeds -j2

work="$build/fuzz"
rm -rf "$work/seeds"
mkdir -p "$work/seeds" "$work/corpus"
"$build/tests/fuzz/firmware_fuzz_seeds" "$work/seeds"

"$build/tests/fuzz/firmware_loader_fuzzer" \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" \
  "$work/corpus" "$work/seeds"
