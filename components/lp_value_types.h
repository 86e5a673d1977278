#pragma once
// Value types the locked property setters know that belong to no other layer yet:
// colours of controls and the two settings of the clock components.

#include <cstdint>

namespace lumicar {

// A colour as controls publish it: 0x00BBGGRR for a plain colour; negative values name
// system colours. A distinct type (not a plain int) so that designs can store colours
// by name and setters can tell them from numbers.
enum TColor : int32_t {};

// Where a clock component takes its ticks from.
enum TSLClockSource { csInternal, csExternal };

// How a clock component hands its ticks to the user-interface thread: not at all (the
// tick runs on the clock's own thread) or synchronised with that thread.
enum TSLSynchronizeType { stNone, stSynchronize };

}  // namespace lumicar
