#!/usr/bin/env bash
# Sets up, builds and runs vo_tools2 on a fresh machine.
#   ./run.sh demo   build and run the demo program vo-demo
#   ./run.sh test   build and run every test
# Missing Debian packages are installed first (as root). Set
# VO_TOOLS_WERROR=ON to make compiler warnings errors.
set -euo pipefail
cd "$(dirname "$0")"

build_dir=build/release
configure() {
  .ci/install-deps
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVO_TOOLS_WERROR="${VO_TOOLS_WERROR:-OFF}" >/dev/null
}

case "${1:-}" in
  demo)
    configure
    cmake --build "$build_dir" -j2 --target vo-demo
    "$build_dir/tools/vo-demo/vo-demo"
    ;;
  test)
    configure
    cmake --build "$build_dir" -j2
    ctest --test-dir "$build_dir" -j2 --output-on-failure
    ;;
  *)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
