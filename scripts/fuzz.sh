#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (seconds per
# target, default 60) from its seed corpus:
#   kovi_fuzz_eval  the host entry point (any bytes as a request)
#   kovi_fuzz_expr  the rule language (an expression with variables, or a
#                   machine program)
#   kovi_fuzz_converters  the value adapter's converters (any raw value and
#                   config through the readers, any host value through the
#                   encoders)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DKOVI_BUILD_FUZZ=ON -DKOVI_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target kovi_fuzz_eval kovi_fuzz_expr kovi_fuzz_converters
run() {
  local target=$1 corpus=$2
  local work
  work=$(mktemp -d)
  cp "$corpus"/* "$work/"
  echo "== $target for ${seconds}s"
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
    -rss_limit_mb=4096 -print_final_stats=1 "$work" 2>&1 | tail -n 15
  local rc=${PIPESTATUS[0]}
  rm -rf "$work"
  return "$rc"
}
run kovi_fuzz_eval fuzz/corpus
run kovi_fuzz_expr fuzz/corpus_expr
run kovi_fuzz_converters fuzz/corpus_converters
