#include "capture/adjustment_item.h"

#include "capture/adjustment.h"

namespace lumicar {

TVLDSAdjustmentProperty::TVLDSAdjustmentProperty(TVLDSAdjustment* adjustment, int32_t identifier)
    : TLPPersistent(adjustment, adjustment != nullptr ? adjustment->Lock() : nullptr),
      adjustment_(adjustment),
      id_(identifier) {}

TVLDSAdjustmentProperty::~TVLDSAdjustmentProperty() = default;

TVLDSAdjustmentMode TVLDSAdjustmentProperty::Mode() const {
  auto section = ReadLock();
  return mode_;
}

void TVLDSAdjustmentProperty::SetMode(TVLDSAdjustmentMode mode) {
  if (!VLDSIsValidAdjustmentMode(mode)) return;
  auto section = WriteLock();
  if (mode_ == mode) return;
  mode_ = mode;
  Lock()->Changed();
  ApplyValue();
}

TVLDSAdjustmentModes TVLDSAdjustmentProperty::Modes() const {
  int32_t min, max, delta, defaultValue, flags;
  TVLDSAdjustmentModes modes;
  if (!Range(&min, &max, &delta, &defaultValue, &flags)) return modes;
  if (flags & VideoProcAmp_Flags_Auto) modes.Include(amAutomatic);
  if (flags & VideoProcAmp_Flags_Manual) modes.Include(amManual);
  return modes;
}

bool TVLDSAdjustmentProperty::Range(int32_t* min, int32_t* max, int32_t* delta, int32_t* defaultValue,
                                    int32_t* flags) const {
  if (adjustment_ != nullptr) return adjustment_->GetVideoProcAmpRanges(id_, min, max, delta, defaultValue, flags);
  *min = TVLDSAdjustment::kFallbackMin;
  *max = TVLDSAdjustment::kFallbackMax;
  *delta = TVLDSAdjustment::kFallbackDelta;
  *defaultValue = TVLDSAdjustment::kFallbackDefault;
  *flags = 0;
  return false;
}

bool TVLDSAdjustmentProperty::CameraValue(int32_t* value) const {
  return adjustment_ != nullptr && adjustment_->GetVideoProcAmpValue(id_, value);
}

void TVLDSAdjustmentProperty::Send(int32_t value) {
  if (adjustment_ != nullptr) adjustment_->SetVideoProcAmpValueFlags(id_, value, Mode());
}

// ---- integer ----

int32_t TVLDSIntegerAdjustmentProperty::Value() const {
  auto section = ReadLock();
  int32_t camera = 0;
  return CameraValue(&camera) ? camera : value_;
}

void TVLDSIntegerAdjustmentProperty::SetValue(int32_t value) {
  Lock()->Setter(value_, value);
  ApplyValue();
}

void TVLDSIntegerAdjustmentProperty::ApplyValue() {
  // Value and mode are read and sent as one step, so that a concurrent change
  // cannot pair one control's new mode with its old value.
  auto section = ReadLock();
  Send(value_);
}

int32_t TVLDSIntegerAdjustmentProperty::Min() const {
  int32_t min, max, delta, defaultValue, flags;
  Range(&min, &max, &delta, &defaultValue, &flags);
  return min;
}

int32_t TVLDSIntegerAdjustmentProperty::Max() const {
  int32_t min, max, delta, defaultValue, flags;
  Range(&min, &max, &delta, &defaultValue, &flags);
  return max;
}

int32_t TVLDSIntegerAdjustmentProperty::Delta() const {
  int32_t min, max, delta, defaultValue, flags;
  Range(&min, &max, &delta, &defaultValue, &flags);
  return delta;
}

int32_t TVLDSIntegerAdjustmentProperty::DefaultValue() const {
  int32_t min, max, delta, defaultValue, flags;
  Range(&min, &max, &delta, &defaultValue, &flags);
  return defaultValue;
}

bool TVLDSIntegerAdjustmentProperty::RangesSupported() const {
  int32_t min, max, delta, defaultValue, flags;
  return Range(&min, &max, &delta, &defaultValue, &flags);
}

// ---- Boolean ----

bool TVLDSBooleanAdjustmentProperty::Value() const {
  auto section = ReadLock();
  int32_t camera = 0;
  return CameraValue(&camera) ? camera != 0 : value_;
}

void TVLDSBooleanAdjustmentProperty::SetValue(bool value) {
  Lock()->Setter(value_, value);
  ApplyValue();
}

void TVLDSBooleanAdjustmentProperty::ApplyValue() {
  auto section = ReadLock();
  Send(value_ ? 1 : 0);
}

}  // namespace lumicar
