#!/usr/bin/env bash
# Installs the built library into a scratch prefix and builds the example C
# host against it twice: through the CMake package and through pkg-config.
set -euo pipefail
build_dir=$1
source_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
cmake -S "$source_dir/examples/c_host" -B "$prefix/host-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/host-cmake" >/dev/null
LD_LIBRARY_PATH="$prefix/lib" "$prefix/host-cmake/kovi_c_host" '{"op":"merge","mappings":[{"a":1}]}' |
  grep -qx '{"ok":true,"value":{"a":1}}'
libdir=$(find "$prefix" -name kovi_engine.pc -printf '%h\n' | head -n1)
flags=$(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs kovi_engine)
cc "$source_dir/examples/c_host/host.c" $flags -o "$prefix/host-pc"
LD_LIBRARY_PATH="$(dirname "$libdir")" "$prefix/host-pc" '{"op":"merge"}' | grep -qx '{"ok":true,"value":{}}'
echo "install check passed"
