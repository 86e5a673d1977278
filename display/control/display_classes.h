#pragma once
// Makes the display controls known to form designs ("TVLDSImageDisplay",
// "TVLPainterDisplay"), together with the video renderer the image display
// builds its graphs with. Safe to call more than once.

namespace lumicar {

void RegisterDisplayClasses();

}  // namespace lumicar
