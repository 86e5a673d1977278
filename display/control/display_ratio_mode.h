#pragma once
// How a display corrects the proportions of the frames it shows: not at all,
// by the reference the stream's start announces, or by a reference of its own.

#include <QObject>

// In a namespace of its own so that designs store the values by name ("arAuto").
namespace lumicar::aspect_ratio_mode {
Q_NAMESPACE

enum TVLAspectRatioMode { arNone, arAuto, arCustom };
Q_ENUM_NS(TVLAspectRatioMode)

}  // namespace lumicar::aspect_ratio_mode

namespace lumicar {

using aspect_ratio_mode::TVLAspectRatioMode;
using enum aspect_ratio_mode::TVLAspectRatioMode;

}  // namespace lumicar
