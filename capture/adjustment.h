#pragma once
// TVLDSAdjustment: the capture component's ten camera picture controls and their
// master switch Enabled, without which nothing is ever sent to the camera.

#include <array>
#include <cstdint>
#include <memory>

#include "capture/adjustment_host.h"
#include "capture/adjustment_item.h"
#include "components/lp_persistent.h"

namespace lumicar {

class TVLDSAdjustment : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Brightness READ Brightness WRITE SetBrightness)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Contrast READ Contrast WRITE SetContrast)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Hue READ Hue WRITE SetHue)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Saturation READ Saturation WRITE SetSaturation)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Sharpness READ Sharpness WRITE SetSharpness)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Gamma READ Gamma WRITE SetGamma)
  Q_PROPERTY(lumicar::TVLDSBooleanAdjustmentProperty* ColorEnable READ ColorEnable WRITE SetColorEnable)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* WhiteBalance READ WhiteBalance WRITE SetWhiteBalance)
  Q_PROPERTY(lumicar::TVLDSBooleanAdjustmentProperty* BacklightCompensation READ BacklightCompensation WRITE
                 SetBacklightCompensation)
  Q_PROPERTY(lumicar::TVLDSIntegerAdjustmentProperty* Gain READ Gain WRITE SetGain)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_CLASSINFO("Default.Enabled", "False")

 public:
  static constexpr int kControlCount = 10;
  // What a range read gives when the camera has none for the control.
  static constexpr int32_t kFallbackMin = -10000, kFallbackMax = 10000, kFallbackDelta = 1, kFallbackDefault = 1;

  // Shares owner's lock and reaches the camera through host (none: nothing is
  // ever sent or read). The host must outlive this object.
  template <LPLockOwner Owner>
  TVLDSAdjustment(Owner* owner, IVLDSAdjustmentHost* host) : TLPPersistent(owner), host_(host) {
    MakeControls();
  }
  // A free-standing one, for copying settings (a lock of its own, no camera).
  Q_INVOKABLE TVLDSAdjustment() : TLPPersistent(nullptr, nullptr) { MakeControls(); }
  ~TVLDSAdjustment() override;

  TVLDSIntegerAdjustmentProperty* Brightness() const { return Integer(0); }
  TVLDSIntegerAdjustmentProperty* Contrast() const { return Integer(1); }
  TVLDSIntegerAdjustmentProperty* Hue() const { return Integer(2); }
  TVLDSIntegerAdjustmentProperty* Saturation() const { return Integer(3); }
  TVLDSIntegerAdjustmentProperty* Sharpness() const { return Integer(4); }
  TVLDSIntegerAdjustmentProperty* Gamma() const { return Integer(5); }
  TVLDSBooleanAdjustmentProperty* ColorEnable() const { return Boolean(6); }
  TVLDSIntegerAdjustmentProperty* WhiteBalance() const { return Integer(7); }
  TVLDSBooleanAdjustmentProperty* BacklightCompensation() const { return Boolean(8); }
  TVLDSIntegerAdjustmentProperty* Gain() const { return Integer(9); }
  // Setting a control copies the given object's mode and value (Assign).
  void SetBrightness(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(0, source); }
  void SetContrast(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(1, source); }
  void SetHue(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(2, source); }
  void SetSaturation(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(3, source); }
  void SetSharpness(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(4, source); }
  void SetGamma(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(5, source); }
  void SetColorEnable(TVLDSBooleanAdjustmentProperty* source) { CopyFrom(6, source); }
  void SetWhiteBalance(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(7, source); }
  void SetBacklightCompensation(TVLDSBooleanAdjustmentProperty* source) { CopyFrom(8, source); }
  void SetGain(TVLDSIntegerAdjustmentProperty* source) { CopyFrom(9, source); }

  // The control with that identifier (VideoProcAmp_Brightness ... VideoProcAmp_Gain,
  // the order above), or none.
  TVLDSAdjustmentProperty* Control(int32_t identifier) const;

  bool Enabled() const { return Lock()->Getter(enabled_); }
  // A change sends all controls (see ApplyValues); the same value does nothing.
  void SetEnabled(bool value);

  // With Enabled, every control sends its stored value with its mode, in the
  // order above (controls in amUseCurrent send nothing); otherwise nothing.
  // The capture component calls this at every start.
  void ApplyValues();

  // The capture component's picture-control operations; it forwards its own
  // GetVideoProcAmpRanges, GetVideoProcAmpValue and SetVideoProcAmpValueFlags
  // here.
  //
  // Opens the camera, then reads the control's range (minimum, maximum,
  // stepping delta, default, capability flags). False, with the fallback
  // values above and no flags, when the camera has none.
  bool GetVideoProcAmpRanges(int32_t identifier, int32_t* min, int32_t* max, int32_t* delta, int32_t* defaultValue,
                             int32_t* flags) const;
  // The camera's current value of the control; false without an open graph,
  // without picture controls or when the camera cannot read it. Never opens.
  bool GetVideoProcAmpValue(int32_t identifier, int32_t* value) const;
  // Sends one control: nothing (and success) while Enabled is false or in
  // amUseCurrent; failure when the open graph has no picture controls;
  // otherwise the value as given (not clamped) with the automatic or manual
  // flag, and whether the camera took it.
  bool SetVideoProcAmpValueFlags(int32_t identifier, int32_t value, TVLDSAdjustmentMode mode) const;

 private:
  void MakeControls();
  TVLDSIntegerAdjustmentProperty* Integer(int index) const;
  TVLDSBooleanAdjustmentProperty* Boolean(int index) const;
  void CopyFrom(int index, TVLDSAdjustmentProperty* source);

  IVLDSAdjustmentHost* host_ = nullptr;
  std::array<std::unique_ptr<TVLDSAdjustmentProperty>, kControlCount> controls_;
  bool enabled_ = false;
};

}  // namespace lumicar
