#!/usr/bin/env bash
# The viewer started where there is no display at all: it says so in one line
# and ends with exit code 1 instead of Qt's abort.
set -u
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>&1)"
rc=$?
printf '%s\n' "$out"
lines=$(printf '%s\n' "$out" | wc -l)
[ "$rc" = 1 ] || { echo "exit code $rc, not 1"; exit 1; }
[ "$lines" = 1 ] || { echo "$lines lines, not 1"; exit 1; }
grep -q 'no graphical display' <<<"$out" || { echo "the line does not say that no display was found"; exit 1; }
