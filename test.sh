#!/usr/bin/env bash
# Installs what is missing, builds the test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds the concurrency tests with
# ThreadSanitizer, and runs all of them headless. CTest's summary comes last.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
tools/install-deps.sh --test || exit 1

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"

status=0

# Concurrency tests under ThreadSanitizer: a small separate build.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMICAR_SANITIZE=thread \
  -DLUMICAR_THREAD_TESTS_ONLY=ON -DLUMICAR_BUILD_APP=OFF -DLUMICAR_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build build/tsan -j "$jobs" || exit 1
(cd build/tsan && ctest --output-on-failure -j "$jobs" -L threads) || status=1

# Fuzz the form-design reader for a short while when clang is here.
if command -v clang++ >/dev/null; then
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DLUMICAR_FUZZ=ON -DLUMICAR_BUILD_APP=OFF \
    -DLUMICAR_BUILD_BENCH=OFF -DLUMICAR_BUILD_TESTS=OFF >/dev/null || exit 1
  cmake --build build/fuzz -j "$jobs" --target fuzz_form_reader || exit 1
  mkdir -p build/fuzz/corpus
  build/fuzz/tests/fuzz/fuzz_form_reader -max_total_time=20 -max_len=4096 \
    build/fuzz/corpus tests/fuzz/corpus >build/fuzz/fuzz.log 2>&1 \
    || { tail -n 40 build/fuzz/fuzz.log; echo "fuzzing the form-design reader failed"; status=1; }
fi

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DLUMICAR_SANITIZE=address,undefined -DLUMICAR_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build build/asan -j "$jobs" || exit 1
if [ $status -ne 0 ]; then
  echo "Some earlier test step failed (see above)."
fi
(cd build/asan && ctest --output-on-failure -j "$jobs") || status=1
exit $status
