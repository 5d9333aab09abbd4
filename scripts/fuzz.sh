#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ (clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer; see fuzz/CMakeLists.txt)
# and runs them, starting from their seeds in fuzz/corpus/<target>.
#
#   scripts/fuzz.sh --check [target...]
#       What the test command runs, the same on every run and machine: each
#       target replays its seeds (among them every input an earlier campaign
#       found), then explores from them with a fixed random seed for a fixed
#       number of inputs. No clock decides what is tried.
#   scripts/fuzz.sh [seconds] [target...]
#       A campaign: each target explores for the given number of seconds
#       (default 600), with a random seed. Run it for ten minutes a target
#       before resolving any change to a reader or a writer of files. Inputs
#       that reach new code collect in build-fuzz/corpus/<target>.
#
# An input that finds a fault is kept in build-fuzz/findings/<target>/, the end
# of the run's log is printed and the script fails. Mend the fault and copy the
# input into fuzz/corpus/<target>/ under a name that says what it holds: from
# then on every check replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

check=false
if [[ ${1:-} == --check ]]; then
  check=true
  shift
else
  seconds=${1:-600}
  (($# == 0)) || shift
fi
targets=("$@")
((${#targets[@]})) || targets=(record archive texts password spreadsheet exchange itemmap backup)
# The longest input of each target: a few records of the largest layout for
# the archives, one record for the records, short texts for the rest.
declare -A maxlen=([record]=4096 [archive]=12288 [texts]=512 [password]=1024 [spreadsheet]=4096 [exchange]=8192 [itemmap]=4096 [backup]=16384)
# The inputs each target explores in a check, beyond its seeds: about ten
# seconds of a sanitized build on one core of the project's machine.
declare -A checkruns=([record]=5000 [archive]=300 [texts]=60000 [password]=15000 [spreadsheet]=2500 [exchange]=15000 [itemmap]=5000 [backup]=400)
# The random seed of the check's exploration; any fixed number will do.
checkseed=20261211

build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++-14}" \
  -DQUIRVALE_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "$(nproc)"

status=0
for t in "${targets[@]}"; do
  [[ -n ${maxlen[$t]:-} ]] || { echo "no fuzz target $t" >&2; exit 2; }
  seeds="$root/fuzz/corpus/$t"
  findings="$build/findings/$t"
  log="$build/fuzz_$t.log"
  mkdir -p "$findings"
  if $check; then
    # A fresh corpus each time, so that what one check finds never changes
    # what the next one starts from; the seeds themselves are only read.
    corpus=$(mktemp -d)
    # The same inputs on every run: no reload of the corpus on a timer, Qt's
    # hashes in one order, and an input kept for the code it reaches alone,
    # not for how often a loop ran or what a comparison saw, which vary with
    # the scratch folder's random names, the clock and the lock waits.
    options=(-seed="$checkseed" -runs="${checkruns[$t]}" -reload=0 -use_counters=0 -use_cmp=0 -len_control=0)
    what="seeds and ${checkruns[$t]} inputs"
  else
    corpus="$build/corpus/$t"
    mkdir -p "$corpus"
    options=(-max_total_time="$seconds")
    what="${seconds} s"
  fi
  if QT_HASH_SEED=0 ASAN_OPTIONS=allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/fuzz_$t" "${options[@]}" -max_len="${maxlen[$t]}" -timeout=30 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$t: $what, ${runs:-?} inputs run, ${cov:-cov: ?}, no fault"
  else
    echo "fuzz_$t: FAULT (input kept in $findings)"
    tail -n 60 "$log"
    status=1
  fi
  if $check; then rm -rf "$corpus"; fi
done
exit $status
