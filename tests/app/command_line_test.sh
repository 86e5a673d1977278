#!/usr/bin/env bash
# The program's command line as a user meets it, where there is no display at
# all: the commands that only print work, and every mistake is one line on
# standard error with exit code 2, never a start or a crash.
set -u
program=$1
fail=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
# run <expected exit code> <arguments...>: sets out, err and lines.
run() {
  local want=$1
  shift
  out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" 2>"$errors")"
  local rc=$?
  err="$(cat "$errors")"
  if [ "$rc" != "$want" ]; then
    echo "lumicar $*: exit code $rc, not $want; stderr: $err"
    fail=1
  fi
}
# The mistake's one line says what was wrong.
expect_one_error_line() {
  local what=$1
  if [ -n "$out" ] || [ "$(printf '%s\n' "$err" | wc -l)" != 1 ] || ! grep -q -- "$what" <<<"$err"; then
    echo "expected one line about '$what' on stderr only; stdout: '$out' stderr: '$err'"
    fail=1
  fi
}

run 0 --version
grep -q -E '^lumicar [0-9]+(\.[0-9]+){2,3}$' <<<"$out" || { echo "--version printed '$out'"; fail=1; }
run 0 --help
grep -q -- '--list-devices' <<<"$out" || { echo "--help does not name --list-devices"; fail=1; }
run 0 --list-devices
grep -q '^Test pattern$' <<<"$out" || { echo "--list-devices does not list the test pattern: $out"; fail=1; }
run 2 --no-such-option
expect_one_error_line "no-such-option"
run 2 --device
expect_one_error_line "device"
run 2 --device "No Such Camera"
expect_one_error_line "No Such Camera"
run 2 stray
expect_one_error_line "stray"
exit $fail
