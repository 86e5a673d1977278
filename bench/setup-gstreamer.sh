#!/usr/bin/env bash
# Installs the command-line media pipeline tools that bench_viewer_chain
# compares the viewer's chain with (gst-launch-1.0 with the test source, the
# flip, the converter and the null sink). Not part of ./test.sh: run it once
# by hand on a machine where the comparison is wanted.
set -eu
packages=(gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "setup-gstreamer.sh: run as root or install sudo" >&2
  exit 1
fi
"${run[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
command -v gst-launch-1.0
