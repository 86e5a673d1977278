#!/usr/bin/env bash
# Runs one test program inside its own Xvfb server (Mesa gives it OpenGL), so
# that tests which draw for real do not depend on the caller's display.
set -u
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
