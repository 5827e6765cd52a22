#!/usr/bin/env bash
# Fuzzes the firmware loader and the .reg reader of the type-table store: builds the
# libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ and runs them for FUZZ_SECONDS (default 60) in all, half each, starting from
# generated seed files. A crash or a broken outcome leaves its input in build-fuzz/fuzz/
# and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DVANTREL_WITH_QT=OFF -DVANTREL_FUZZ=ON >/dev/null
cmake --build "$build" --target firmware_loader_fuzzer regfile_fuzzer fuzz_seeds -j2

work="$build/fuzz"
rm -rf "$work/seeds" "$work/reg-seeds"
mkdir -p "$work/seeds" "$work/corpus" "$work/reg-seeds" "$work/reg-corpus"
"$build/tests/fuzz/fuzz_seeds" "$work/seeds" "$work/reg-seeds"

# fuzzer, its seconds, its max_len, its corpus, its seeds, then its own options
run() {
  "$build/tests/fuzz/$1" -max_total_time="$2" -max_len="$3" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/" "${@:6}" "$work/$4" "$work/$5"
}
# (0 seconds would mean no limit)
loader_seconds=$(( (seconds + 1) / 2 )) reader_seconds=$(( seconds / 2 ))
run firmware_loader_fuzzer $(( loader_seconds > 0 ? loader_seconds : 1 )) 65536 corpus seeds
run regfile_fuzzer $(( reader_seconds > 0 ? reader_seconds : 1 )) 16384 reg-corpus reg-seeds -dict=tests/fuzz/regfile.dict
