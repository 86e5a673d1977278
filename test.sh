#!/usr/bin/env bash
# Installs what is missing, checks the tree (layering, formatting), builds the
# whole suite and the fuzz targets with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors) and runs it headless, builds
# the concurrency tests with ThreadSanitizer beside it and runs them, checks
# the Debian package, then fuzzes the readers of stored designs and of camera
# data for a short while.
#
# Each step prints its name, a one-line result and its time; what the tools
# print goes to build/logs/, and only what a person must read comes to the
# terminal: a failing test's output, a build error, a warning. The last line
# counts every test program, ctest entry and fuzz target: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
logs=$root/build/logs
mkdir -p "$logs"

if ! tools/install-deps.sh --test >"$logs/install.log" 2>&1; then
  cat "$logs/install.log"
  echo "installing the build's packages failed"
  exit 1
fi
grep '^Installing:' "$logs/install.log"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"

status=0 passed=0 failed=0 asan_built=0
timings=()
step_name="" step_start=0
begin() {
  step_name=$1 step_start=$SECONDS
  echo "== $1"
}
# Ends the step with its one-line result.
end() {
  local took=$((SECONDS - step_start))
  echo "   $1 ($took s)"
  timings+=("$(printf '%-42s %4d s' "$step_name" "$took")")
}
# Runs a build or configure command with its output in a log; on failure the
# log's errors are shown, and any warning is shown even on success (our code
# builds warning-free, so a warning is news).
logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    grep -E -B2 -A12 'error|Error|FAILED' "$log" | head -n 150
    echo "   failed: $* (whole output: $log)"
    return 1
  fi
  grep -i -E '(^|[^-])warning' "$log" | head -n 40
  return 0
}
# Runs ctest with its output in a log and counts what passed; a failing
# test's output is shown.
run_ctest() {
  local log=$1
  shift
  local ok=0
  "$@" >"$log" 2>&1 || ok=1
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    failed=$((failed + 1))
    ok=1
  fi
  if [ $ok -ne 0 ]; then
    # Everything but the one-line progress of the tests that passed.
    grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed ' "$log" | head -n 400
    status=1
  fi
  end "${summary:-ctest printed no summary (see $log)}"
}

begin "layering and formatting"
format_result="clean"
python3 tools/check-layering.py >"$logs/layering.log" 2>&1 || {
  cat "$logs/layering.log"
  format_result="layering check failed"
  status=1
}
mapfile -t sources < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find . -path ./build -prune -o \( -name '*.h' -o -name '*.cpp' \) -print)
if ! clang-format --dry-run -Werror "${sources[@]}" 2>"$logs/format.log"; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$logs/format.log" | cut -d: -f1 | sort -u | sed 's/^/   not formatted: /'
  format_result="formatting check failed (run clang-format -i on the files above)"
  status=1
fi
end "$format_result"

# Both sanitizer builds use clang: it compiles this tree in about half the
# time GCC takes, and one clang build serves the tests and the fuzz targets
# (libFuzzer is clang's). Line tables are enough for sanitizer reports (file
# and line) and cost less to compile and link than full debug information;
# lld links the large sanitizer test programs quickly and without gold's
# warnings about the sanitizer runtime's symbols. Precompiled Qt, standard and
# GoogleTest headers (LUMICAR_PCH) save the parsing of the same headers in
# every file; libraries and test programs compile their files in batches
# (LUMICAR_UNITY), so that the headers they share are parsed and their
# templates instantiated once a batch.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMICAR_BUILD_BENCH=OFF -DCMAKE_C_FLAGS_DEBUG=-g1
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld -DLUMICAR_PCH=ON -DLUMICAR_UNITY=ON
  -DLUMICAR_WERROR=ON)

fuzzers=(form_reader:tests/fuzz/corpus pin_links:tests/fuzz/pin_links_corpus
  frame_queue:tests/fuzz/frame_queue_corpus mjpeg_decoder:tests/fuzz/mjpeg_decoder_corpus
  source_media_type:tests/fuzz/source_media_type_corpus)

# The ThreadSanitizer build runs at the lowest priority beside the
# AddressSanitizer tests, which leave part of the processor idle (the soak and
# the windowed tests run at a camera's pace); nice 19 gives the tests nearly
# all of it when they want it. It writes its result and time for the step
# lines printed after the tests.
tsan_build() {
  local begun=$SECONDS
  if logged "$logs/tsan-configure.log" cmake -S . -B build/tsan "${common[@]}" -DLUMICAR_SANITIZE=thread \
    -DLUMICAR_THREAD_TESTS_ONLY=ON -DLUMICAR_BUILD_APP=OFF &&
    logged "$logs/tsan-build.log" nice -n 19 cmake --build build/tsan -j "$jobs" --target lumicar_thread_tests; then
    echo "built $((SECONDS - begun))" >"$logs/tsan-result"
  else
    echo "failed $((SECONDS - begun))" >"$logs/tsan-result"
  fi
}

# The AddressSanitizer build holds the test programs and the fuzz targets:
# LUMICAR_FUZZ adds libFuzzer's edge counters to every file.
begin "AddressSanitizer build"
if logged "$logs/asan-configure.log" cmake -S . -B build/asan "${common[@]}" -DLUMICAR_SANITIZE=address,undefined \
  -DLUMICAR_FUZZ=ON &&
  logged "$logs/asan-build.log" cmake --build build/asan -j "$jobs"; then
  end "built"
  asan_built=1
  rm -f "$logs/tsan-result"
  tsan_build >"$logs/tsan-step.log" 2>&1 &
  tsan_job=$!
  begin "AddressSanitizer tests"
  run_ctest "$logs/asan-tests.log" ctest --test-dir build/asan --output-on-failure -j "$jobs"
else
  status=1 failed=$((failed + 1))
  end "build failed"
  rm -f "$logs/tsan-result"
  tsan_build >"$logs/tsan-step.log" 2>&1 &
  tsan_job=$!
fi

# The step's time is the build's own, most of it spent beside the tests.
# Whatever is left of it now has the processor to itself: back to normal
# priority, or on a machine busy with other work a build at nice 19 would
# wait for all of it (lowering the nice value needs root, as in CI; without
# it the build just goes on at 19).
descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}
begin "ThreadSanitizer build (beside the tests)"
mapfile -t tsan_pids < <(descendants $tsan_job)
[ ${#tsan_pids[@]} -eq 0 ] || renice -n 0 -p "${tsan_pids[@]}" >/dev/null 2>&1 || true
wait $tsan_job
cat "$logs/tsan-step.log"
read -r tsan_result tsan_took <"$logs/tsan-result" 2>/dev/null || tsan_result=failed
step_start=$((SECONDS - ${tsan_took:-0}))
if [ "$tsan_result" = built ]; then
  end "built"
  begin "ThreadSanitizer tests"
  run_ctest "$logs/tsan-tests.log" ctest --test-dir build/tsan --output-on-failure -j "$jobs" -L threads
else
  status=1 failed=$((failed + 1))
  end "build failed"
fi

# The Debian package, made by cpack from the sanitizer build's tree (no
# build of its own): its files and control fields, the desktop and
# software-centre entries, lintian, and the unpacked program's --version and
# --list-devices run without the build tree, LD_LIBRARY_PATH or a display.
# What it checks is how the tree installs and packages, which is the same in
# every build type (clang links the sanitizer runtimes into the program, so
# the Depends are those of a Release tree's package).
begin "Debian package"
if [ $asan_built = 1 ]; then
  if tools/check-package.sh build/asan --lintian >"$logs/package.log" 2>&1; then
    passed=$((passed + 1))
    end "$(tail -n 1 "$logs/package.log" | sed 's/^ *//')"
  else
    cat "$logs/package.log"
    status=1 failed=$((failed + 1))
    end "failed"
  fi
else
  end "skipped: the AddressSanitizer build failed"
fi

# Fuzz the readers of stored designs and the paths that take a camera's data
# (samples, MJPEG frames, proposed media types) for a short while each, one
# target per core.
begin "fuzzing"
if [ $asan_built = 1 ]; then
  fuzz_ok=0 fuzz_failed=0 pids=() names=()
  for entry in "${fuzzers[@]}"; do
    name=${entry%%:*} seeds=${entry#*:}
    mkdir -p "build/asan/corpus/$name"
    "build/asan/tests/fuzz/fuzz_$name" -max_total_time=12 -max_len=4096 "build/asan/corpus/$name" "$seeds" \
      >"$logs/fuzz-$name.log" 2>&1 &
    pids+=($!) names+=("$name")
    if [ ${#pids[@]} -ge "$jobs" ] || [ "$entry" = "${fuzzers[-1]}" ]; then
      for i in "${!pids[@]}"; do
        if wait "${pids[$i]}"; then
          fuzz_ok=$((fuzz_ok + 1))
        else
          tail -n 40 "$logs/fuzz-${names[$i]}.log"
          echo "   fuzzing ${names[$i]} found a fault (whole output: $logs/fuzz-${names[$i]}.log)"
          fuzz_failed=$((fuzz_failed + 1))
        fi
      done
      pids=() names=()
    fi
  done
  passed=$((passed + fuzz_ok)) failed=$((failed + fuzz_failed))
  [ $fuzz_failed -eq 0 ] || status=1
  end "$fuzz_ok of ${#fuzzers[@]} fuzz targets ran 12 s without a finding"
else
  end "skipped: the AddressSanitizer build failed"
fi

echo
echo "Wall time per step:"
printf '  %s\n' "${timings[@]}"
if [ $status -ne 0 ]; then
  echo "Some step failed (see above)."
fi
echo "$passed passed, $failed failed"
exit $status
