#pragma once
// How a camera picture control is handled (left alone, automatic, manual) and
// the set of those modes a camera supports for one control.

#include <QObject>
#include <cstdint>

// In a namespace of its own so that designs store the values by name ("amManual").
namespace lumicar::adjustment_mode {
Q_NAMESPACE

enum TVLDSAdjustmentMode : int {
  amUseCurrent = 0,  // the camera's control is not touched
  amAutomatic = 1,   // the camera regulates the control itself
  amManual = 2,      // the stored value is set
};
Q_ENUM_NS(TVLDSAdjustmentMode)

}  // namespace lumicar::adjustment_mode

namespace lumicar {

using adjustment_mode::TVLDSAdjustmentMode;
using enum adjustment_mode::TVLDSAdjustmentMode;

constexpr bool VLDSIsValidAdjustmentMode(int mode) { return mode >= amUseCurrent && mode <= amManual; }

// A set of modes, one bit per mode value.
class TVLDSAdjustmentModes {
 public:
  constexpr TVLDSAdjustmentModes() = default;

  constexpr bool Contains(TVLDSAdjustmentMode mode) const {
    return VLDSIsValidAdjustmentMode(mode) && (bits_ & Bit(mode)) != 0;
  }
  constexpr void Include(TVLDSAdjustmentMode mode) {
    if (VLDSIsValidAdjustmentMode(mode)) bits_ |= Bit(mode);
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(TVLDSAdjustmentModes a, TVLDSAdjustmentModes b) = default;

 private:
  static constexpr uint32_t Bit(TVLDSAdjustmentMode mode) { return 1u << uint32_t(mode); }
  uint32_t bits_ = 0;
};

}  // namespace lumicar
