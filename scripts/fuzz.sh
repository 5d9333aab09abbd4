#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ (clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer; see fuzz/CMakeLists.txt)
# and runs each in turn for the given number of seconds, starting from its
# seeds in fuzz/corpus/<target>.
#   scripts/fuzz.sh [seconds] [target...]    default: 60 seconds, every target
# Inputs that reach new code collect in build-fuzz/corpus/<target>. An input
# that finds a fault is kept in build-fuzz/findings/<target>/, the end of the
# run's log is printed and the script fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
(($# == 0)) || shift
targets=("$@")
((${#targets[@]})) || targets=(record archive texts password spreadsheet exchange)
# The longest input of each target: a few records of the largest layout for
# the archives, one record for the records, short texts for the rest.
declare -A maxlen=([record]=4096 [archive]=12288 [texts]=512 [password]=1024 [spreadsheet]=4096 [exchange]=8192)

build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++-14}" \
  -DQUIRVALE_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "$(nproc)"

status=0
for t in "${targets[@]}"; do
  [[ -n ${maxlen[$t]:-} ]] || { echo "no fuzz target $t" >&2; exit 2; }
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/fuzz_$t.log"
  mkdir -p "$corpus" "$findings"
  if ASAN_OPTIONS=allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="${maxlen[$t]}" -timeout=30 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$t: ${seconds} s, ${runs:-?} inputs, ${cov:-cov: ?}, no fault"
  else
    echo "fuzz_$t: FAULT (input kept in $findings)"
    tail -n 60 "$log"
    status=1
  fi
done
exit $status
