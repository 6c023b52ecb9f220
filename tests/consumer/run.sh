#!/usr/bin/env bash
# Builds a user's program three ways and runs each: against a build of
# vo_tools2 installed into a temporary prefix, through find_package(vo_tools2
# CONFIG) and through pkg-config; and with vo_tools2's source tree added as a
# subdirectory of the user's project. Then runs the installed vo-tools, which
# must find the library through its own run path.
#   tests/consumer/run.sh [BUILD_DIR]    (default: build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/release}" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --build "$build" -j2 --target vo_tools2 vo_tools2_host vo-tools
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "-- consumer through find_package"
cmake -S "$here" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/cmake" -j2 >/dev/null
"$work/cmake/consumer"

echo "-- consumer through pkg-config"
pc_file=$(find "$prefix" -name vo_tools2.pc)
export PKG_CONFIG_PATH=${pc_file%/*}
read -r -a flags <<<"$(pkg-config --cflags --libs vo_tools2 vo_tools2-host)"
g++ -std=c++17 "$here/main.cc" -o "$work/consumer-pc" "${flags[@]}"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir vo_tools2) "$work/consumer-pc"

echo "-- consumer with vo_tools2 as a subdirectory"
cmake -S "$here" -B "$work/subdir" -DVO_TOOLS_SOURCE_DIR="$here/../.." \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/subdir" -j2 >/dev/null
"$work/subdir/consumer"

echo "-- installed vo-tools"
names=$("$prefix/bin/vo-tools" service-names _installed)
[ "$names" = $'VoProxyReceiveRequests_installed\nVoProxyReceiveResponses_installed' ] || {
  echo "installed vo-tools printed: $names" >&2
  exit 1
}
echo "ok      vo-tools runs from the prefix and finds the library"
