#!/usr/bin/env bash
# One entry point for readers and developers.
#   ./dev.sh play        set up, build, and play the bundled demo story
#   ./dev.sh test        set up, build, and run every test
#   ./dev.sh test-asan   the same with AddressSanitizer + UndefinedBehaviorSanitizer
#   ./dev.sh build       set up and build only
#   ./dev.sh bench       build and run the benchmarks
#   ./dev.sh fuzz [TARGET SECONDS]  build the fuzz targets (clang) and run each
#                        for 20 s, or one of them for longer
#   ./dev.sh test-tsan   the tests that run threads, under ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

# The compiler cache (the setup installs it) makes rebuilds and later runs
# quick; paths count relative to the tree, so other checkouts share it.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

configure() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
}

build() {  # dir, extra cmake args...
  local dir=$1; shift
  bash scripts/setup.sh
  configure "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
}

run_tests() {  # dir
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

case "${1:-}" in
  build) build build ;;
  play)
    build build
    shift
    exec ./build/vantel --root build/game "$@" ;;
  test)
    build build -DVANTEL_WERROR=${VANTEL_WERROR:-OFF}
    run_tests build ;;
  test-asan)
    build build-asan -DVANTEL_SANITIZE=ON -DVANTEL_BENCH=OFF -DVANTEL_WERROR=${VANTEL_WERROR:-OFF}
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan ;;
  fuzz)
    bash scripts/setup.sh
    configure build  # the seeds are made from the demo's generated data
    cmake --build build -j "$jobs" --target demo_data
    configure build-fuzz -DVANTEL_FUZZ=ON -DVANTEL_BENCH=OFF \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    cmake --build build-fuzz -j "$jobs" --target fuzz_all
    rm -rf build-fuzz/seeds
    build-fuzz/fuzz_seeds demo/story build/demo build/game build-fuzz/seeds
    if [[ $# -ge 3 ]]; then exec fuzz/run.sh "$3" "$2"; fi
    exec fuzz/run.sh "${FUZZ_SECONDS:-20}" ;;
  test-tsan)
    bash scripts/setup.sh
    configure build-tsan -DVANTEL_TSAN=ON -DVANTEL_BENCH=OFF -DVANTEL_WERROR=${VANTEL_WERROR:-OFF}
    cmake --build build-tsan -j "$jobs" --target vantel_tsan_tests
    SDL_AUDIODRIVER=dummy TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
      build-tsan/vantel_tsan_tests ;;
  bench)
    build build
    for b in build/bench_*; do [[ -x "$b" ]] && "$b" --benchmark_min_time=0.2; done ;;
  *)
    sed -n '2,11p' "$0"; exit 2 ;;
esac
