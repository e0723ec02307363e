#!/usr/bin/env bash
# Installs everything the build, the tests, the benchmarks and the fuzzer
# need on a fresh Debian machine. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ clang-14 lld-14 libclang-rt-14-dev binutils python3
          pkg-config libgtest-dev libgmock-dev libbenchmark-dev libssl-dev rapidjson-dev nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
