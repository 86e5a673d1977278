#!/usr/bin/env bash
# Installs the Debian packages Lumicar needs to build, test and run, and only
# when one of them is missing. Runs apt through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libjpeg62-turbo-dev libhwy-dev libturbojpeg0-dev libudev-dev
  # Reading a window's state back from the X server and asking the window
  # manager for stay-on-top.
  libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  # The viewer's Japanese menus and window font (its designs name a Japanese
  # Gothic face, which the program maps to IPA Gothic).
  fonts-ipafont-gothic
)
if [ "${1:-}" = "--test" ]; then
  packages+=(clang libclang-rt-dev lld clang-format python3
    # The window-manager tests: a stacking window manager on Xvfb, and xprop
    # to see it come up.
    openbox x11-utils
    # The package check: dpkg-shlibdeps, lintian, and the validators of the
    # software-centre and desktop entries.
    dpkg-dev lintian appstream desktop-file-utils
    # pgrep, with which the script finds its background build's processes.
    procps)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" != 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
