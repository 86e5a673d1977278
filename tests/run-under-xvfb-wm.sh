#!/usr/bin/env bash
# Runs one test program inside its own Xvfb server with a real stacking window
# manager on it (openbox, or the one named by LUMICAR_TEST_WM), so that tests
# see what users see: frames, late and reordered configure answers, states the
# window manager decides. The program starts once the window manager has
# announced itself on the root window (_NET_SUPPORTING_WM_CHECK).
set -u
here="$(cd "$(dirname "$0")" && pwd)"

if [ "${LUMICAR_IN_XVFB:-}" != 1 ]; then
  export LUMICAR_IN_XVFB=1
  exec "$here/run-under-xvfb.sh" "$0" "$@"
fi

wm="${LUMICAR_TEST_WM:-openbox}"
if ! command -v "$wm" >/dev/null || ! command -v xprop >/dev/null; then
  echo "run-under-xvfb-wm: $wm or xprop is missing (tools/install-deps.sh --test installs them)" >&2
  exit 1
fi

# The window manager's configuration and log stay out of the user's home.
export XDG_CONFIG_HOME="$(mktemp -d)"
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
"$wm" >"$XDG_CONFIG_HOME/wm.log" 2>&1 &
wm_pid=$!

# Watch the root window's property: xprop prints its value now and on every
# change. The read's time-out is only a guard against a window manager that
# never comes up.
coproc SPY { exec stdbuf -oL xprop -root -spy; }
up=0
while IFS= read -r -t 60 line <&"${SPY[0]}"; do
  case "$line" in _NET_SUPPORTING_WM_CHECK*"window id"*) up=1; break ;; esac
done
kill "${SPY_PID:-}" 2>/dev/null
wait "${SPY_PID:-}" 2>/dev/null
if [ "$up" != 1 ]; then
  echo "run-under-xvfb-wm: $wm did not come up; its output:" >&2
  cat "$XDG_CONFIG_HOME/wm.log" >&2
  kill "$wm_pid" 2>/dev/null
  exit 1
fi

"$@"
rc=$?
kill "$wm_pid" 2>/dev/null
wait "$wm_pid" 2>/dev/null
exit $rc
