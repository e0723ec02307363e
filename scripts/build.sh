#!/usr/bin/env bash
# Configures and builds the library, the kovi tool and the tests (Release).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
