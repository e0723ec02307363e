#!/usr/bin/env bash
# Builds the libFuzzer target on the host entry point and runs it for a
# bounded time (seconds, default 60) from the seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DKOVI_BUILD_FUZZ=ON -DKOVI_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target kovi_fuzz_eval
work=$(mktemp -d)
cp fuzz/corpus/* "$work/"
build-fuzz/fuzz/kovi_fuzz_eval -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=4096 -print_final_stats=1 "$work"
rm -rf "$work"
