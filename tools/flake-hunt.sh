#!/usr/bin/env bash
# Runs the sanitizer build's whole ctest suite several times while both cores
# are loaded by a processor hog, to find tests that fail only under load.
# Usage: tools/flake-hunt.sh [runs] [build dir]   (defaults: 5, build/asan)
# Needs the build made by ./test.sh (or the same configuration) and stress-ng.
# Prints one line per run and keeps each run's log in build/logs/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}
build=${2:-build/asan}
logs=$root/build/logs
mkdir -p "$logs"
command -v stress-ng >/dev/null || { echo "stress-ng is not installed (apt-get install stress-ng)"; exit 1; }

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"

stress-ng --cpu "$(nproc)" --quiet &
hog=$!
trap 'kill $hog 2>/dev/null; wait $hog 2>/dev/null' EXIT
bad=0
for run in $(seq 1 "$runs"); do
  log=$logs/flake-hunt-$run.log
  start=$SECONDS
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" >"$log" 2>&1
  summary=$(grep -E 'tests passed' "$log" | tail -n 1)
  echo "run $run: ${summary:-no summary} ($((SECONDS - start)) s)"
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Failed|Timeout|Exception|Not Run)' "$log" && bad=1
done
exit $bad
