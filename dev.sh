#!/bin/sh
# Vexlor Player developer entry point.
#   ./dev.sh run [FILE]   install what is missing, build, start the player (with the demo tune)
#   ./dev.sh test         install what is missing, build, run every test
#   ./dev.sh sanitize     the same tests (and fuzz smoke runs) under ASan/UBSan with clang
set -eu
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=${JOBS:-2}

# ccache, when present, lets rebuilds and other checkouts of the project reuse compiled objects.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
fi

configure_and_build() {  # build-dir, extra cmake arguments...
  dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

command=${1:-run}
[ $# -gt 0 ] && shift
sh scripts/setup.sh

case "$command" in
  run)
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # Without a tune of the user's, the project's own demo tune plays.
    [ $# -gt 0 ] || set -- "$ROOT/build/demo/vexlor-demo.sid"
    if [ -x build/src/app/vexlor ]; then
      exec build/src/app/vexlor "$@"
    fi
    exec build/src/cli/vexlor-dump "$1" --seconds 10 --frames
    ;;
  test)
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build --output-on-failure -j"$JOBS"
    ;;
  sanitize)
    configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVEXLOR_SANITIZE=ON -DVEXLOR_FUZZ=ON -DVEXLOR_BENCHMARKS=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions="$ROOT/scripts/lsan.supp" \
      ctest --test-dir build-sanitize --output-on-failure -j"$JOBS"
    ;;
  *)
    echo "usage: ./dev.sh run [FILE] | test | sanitize" >&2
    exit 2
    ;;
esac
