#!/usr/bin/env bash
# Runs one test program inside its own Xvfb server (Mesa gives it OpenGL), so
# that tests which draw for real do not depend on the caller's display.
set -u
export QT_QPA_PLATFORM=xcb
# Mesa draws on the processor here, which the renderer would leave for plain
# painting; these tests are there to check the OpenGL path.
export LUMICAR_VIDEO_RENDERER="${LUMICAR_VIDEO_RENDERER:-opengl}"
# No session bus: the tests need none, and without an address Qt's bus thread
# goes looking for one belonging to the X display (and libdbus leaks a
# buffer doing so, which fails the sanitizer build).
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/lumicar-test-bus"
# The X keyboard library reads its strings in ways the strict string checks of
# ./test.sh take for overflows; our own code is checked strictly in every
# other test program.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
