#!/usr/bin/env bash
# Installs what is missing, checks the tree (layering, formatting), builds the
# concurrency tests with ThreadSanitizer, fuzzes the readers of stored designs
# and of camera data for a short while, then builds the whole suite with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors) and
# runs it headless.
# CTest's summary comes last, then the wall time of each step.
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
timings=()
step_start=0
begin() { step_start=$SECONDS; echo "== $1"; }
end() { timings+=("$(printf '%-34s %4d s' "$1" $((SECONDS - step_start)))"); }

begin "layering and formatting"
python3 tools/check-layering.py || { echo "layering check failed"; status=1; }
mapfile -t sources < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find . -path ./build -prune -o \( -name '*.h' -o -name '*.cpp' \) -print)
if ! clang-format --dry-run -Werror "${sources[@]}" 2>/tmp/lumicar-format.$$; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/lumicar-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "formatting check failed (run clang-format -i on the files above)"
  status=1
fi
rm -f /tmp/lumicar-format.$$
end "layering and formatting"

# Line tables are enough for sanitizer reports (file and line) and cost less
# to compile and link than full debug information; gold links the large
# sanitizer test programs in about half the time of the default linker.
# Precompiled Qt, standard and GoogleTest headers (LUMICAR_PCH, GCC builds
# only) save the parsing of the same headers in every file.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMICAR_BUILD_BENCH=OFF -DCMAKE_C_FLAGS_DEBUG=-g1
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=gold
  -DLUMICAR_PCH=ON)

begin "ThreadSanitizer build and tests"
cmake -S . -B build/tsan "${common[@]}" -DLUMICAR_WERROR=ON -DLUMICAR_SANITIZE=thread -DLUMICAR_THREAD_TESTS_ONLY=ON \
  -DLUMICAR_BUILD_APP=OFF >/dev/null || exit 1
cmake --build build/tsan -j "$jobs" --target lumicar_thread_tests || exit 1
(cd build/tsan && ctest --output-on-failure -j "$jobs" -L threads) || status=1
end "ThreadSanitizer build and tests"

# Fuzz the readers of stored designs and the paths that take a camera's data
# (samples, MJPEG frames, proposed media types) for a short while each
# (clang's libFuzzer).
begin "fuzzing"
cmake -S . -B build/fuzz "${common[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLUMICAR_FUZZ=ON \
  -DLUMICAR_BUILD_APP=OFF -DLUMICAR_BUILD_TESTS=OFF >/dev/null || exit 1
# Each fuzz target with its seed corpus (new inputs go to build/fuzz/corpus).
fuzzers=(form_reader:tests/fuzz/corpus pin_links:tests/fuzz/pin_links_corpus
  frame_queue:tests/fuzz/frame_queue_corpus mjpeg_decoder:tests/fuzz/mjpeg_decoder_corpus
  source_media_type:tests/fuzz/source_media_type_corpus)
for entry in "${fuzzers[@]}"; do
  name=${entry%%:*} seeds=${entry#*:}
  cmake --build build/fuzz -j "$jobs" --target "fuzz_$name" || exit 1
  mkdir -p "build/fuzz/corpus/$name"
  "build/fuzz/tests/fuzz/fuzz_$name" -max_total_time=12 -max_len=4096 "build/fuzz/corpus/$name" "$seeds" \
    >"build/fuzz/$name.log" 2>&1 || { tail -n 40 "build/fuzz/$name.log"; echo "fuzzing $name failed"; status=1; }
done
end "fuzzing"

begin "AddressSanitizer build"
cmake -S . -B build/asan "${common[@]}" -DLUMICAR_WERROR=ON -DLUMICAR_SANITIZE=address,undefined >/dev/null || exit 1
cmake --build build/asan -j "$jobs" || exit 1
end "AddressSanitizer build"

begin "AddressSanitizer tests"
(cd build/asan && ctest --output-on-failure -j "$jobs") || status=1
end "AddressSanitizer tests"

echo
echo "Wall time per step:"
printf '  %s\n' "${timings[@]}"
if [ $status -ne 0 ]; then
  echo "Some test step failed (see above)."
fi
exit $status
