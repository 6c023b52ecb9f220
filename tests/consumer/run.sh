#!/usr/bin/env bash
# Builds a user's program and its plug-in (a shared library carrying the
# static host timer service) three ways and runs each: against a build of
# vo_tools2 installed into a temporary prefix, through find_package(vo_tools2
# CONFIG) and through pkg-config; and with vo_tools2's source tree added as a
# subdirectory of the user's project, with no build type. Builds and runs
# the examples (examples/) against the same prefix. Then runs the installed
# vo-tools, which must find the library through its own run path.
#   tests/consumer/run.sh [BUILD_DIR]    (default: build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/release}" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --build "$build" -j2 --target vo_tools2 vo_tools2_host vo-tools
cmake --install "$build" --prefix "$prefix" >/dev/null

# Configures, builds and runs the consumer's CMake project in $work/$1, with
# the cache entries that follow and no build type.
cmake_consumer() {
  local dir=$work/$1
  shift
  cmake -S "$here" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
  "$dir/consumer"
}

echo "-- consumer through find_package"
cmake_consumer cmake -DCMAKE_PREFIX_PATH="$prefix"

echo "-- examples through find_package"
cmake -S "$here/../../examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/examples" -j2 >/dev/null
for example in handle_table wakeup quoted_printable service_names; do
  "$work/examples/$example"
done
"$work/examples/log" "$work/example-logs"

echo "-- consumer through pkg-config"
pc_file=$(find "$prefix" -name vo_tools2.pc)
export PKG_CONFIG_PATH=${pc_file%/*}
read -r -a flags <<<"$(pkg-config --cflags --libs vo_tools2 vo_tools2-host)"
g++ -std=c++17 -shared -fPIC "$here/plugin.cc" -o "$work/libconsumer_plugin.so" "${flags[@]}"
g++ -std=c++17 "$here/main.cc" -o "$work/consumer-pc" -L"$work" -lconsumer_plugin "${flags[@]}"
LD_LIBRARY_PATH=$work:$(pkg-config --variable=libdir vo_tools2) "$work/consumer-pc"

echo "-- consumer with vo_tools2 as a subdirectory"
cmake_consumer subdir -DVO_TOOLS_SOURCE_DIR="$here/../.."

echo "-- installed vo-tools"
names=$("$prefix/bin/vo-tools" service-names _installed)
[ "$names" = $'VoProxyReceiveRequests_installed\nVoProxyReceiveResponses_installed' ] || {
  echo "installed vo-tools printed: $names" >&2
  exit 1
}
echo "ok      vo-tools runs from the prefix and finds the library"
