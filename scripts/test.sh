#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests with
# AddressSanitizer and UndefinedBehaviorSanitizer, runs every test headless,
# then builds the fuzz targets and runs each for a few seconds
# (QUIRVALE_FUZZ_SECONDS, default 5), so that a regression any of them finds
# fails the run. Run as root, or with sudo, when packages may be missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" --fuzz

build="$root/build-tests"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIRVALE_SANITIZE=ON -DQUIRVALE_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@")

"$root/scripts/fuzz.sh" "${QUIRVALE_FUZZ_SECONDS:-5}"
