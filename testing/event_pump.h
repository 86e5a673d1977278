#pragma once

// Waiting in a test for something that other threads or the event loop
// bring about: a frame at a sink, a window state, a thread's end.

#include <chrono>
#include <functional>

#include "testing/hang_guard.h"
#include "testing/process_resources.h"

namespace lumicar::testtools {

// Processes the calling thread's events until `done()` holds, and says
// whether it did before `failsafe` passed (a hang guard, not a timing
// assumption). Between two checks it sleeps in the event loop until the next
// event or a 2 ms tick, so a waiting test leaves the processor to the threads
// it waits for: on a loaded two-core machine a spinning wait slows down the
// very work it waits for.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds failsafe = kHangGuard);

// A quiet look at the process (see QuietProcessResources) from a Qt program's
// main thread: Qt's global thread pool is drained before each look (its
// workers convert and scale large pictures, each with a descriptor of its
// own) and events are processed between looks.
TProcessResources QuietQtProcessResources();

}  // namespace lumicar::testtools
