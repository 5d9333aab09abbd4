#!/usr/bin/env bash
# Installs what is missing, builds the program, its tests and its benchmarks
# with AddressSanitizer and UndefinedBehaviorSanitizer (the benchmarks are
# only compiled, so that none of them can stop building unseen), runs every
# test headless, then builds the fuzz targets and runs their check: each
# replays its seeds and explores a fixed number of inputs from a fixed random
# seed, so that the same code gives the same result on every run. Run as
# root, or with sudo, when packages may be missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" --fuzz

build="$root/build-tests"
# Line tables are all the sanitizers' reports need, and gold links the
# sixty programs of the build in little more than half the time of the
# default linker.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIRVALE_SANITIZE=ON -DQUIRVALE_BENCH=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold
cmake --build "$build" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@")

"$root/scripts/fuzz.sh" --check
