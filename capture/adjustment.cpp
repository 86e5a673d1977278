#include "capture/adjustment.h"

namespace lumicar {

namespace {

// Which controls hold a Boolean, by identifier (the others hold a number).
constexpr bool IsBooleanControl(int32_t identifier) {
  return identifier == VideoProcAmp_ColorEnable || identifier == VideoProcAmp_BacklightCompensation;
}

}  // namespace

void TVLDSAdjustment::MakeControls() {
  for (int32_t id = 0; id < kControlCount; ++id) {
    if (IsBooleanControl(id)) {
      controls_[id] = std::make_unique<TVLDSBooleanAdjustmentProperty>(this, id);
    } else {
      controls_[id] = std::make_unique<TVLDSIntegerAdjustmentProperty>(this, id);
    }
  }
}

TVLDSAdjustment::~TVLDSAdjustment() = default;

TVLDSIntegerAdjustmentProperty* TVLDSAdjustment::Integer(int index) const {
  return static_cast<TVLDSIntegerAdjustmentProperty*>(controls_[index].get());
}

TVLDSBooleanAdjustmentProperty* TVLDSAdjustment::Boolean(int index) const {
  return static_cast<TVLDSBooleanAdjustmentProperty*>(controls_[index].get());
}

void TVLDSAdjustment::CopyFrom(int index, TVLDSAdjustmentProperty* source) {
  if (source != nullptr && source != controls_[index].get()) controls_[index]->Assign(source);
}

TVLDSAdjustmentProperty* TVLDSAdjustment::Control(int32_t identifier) const {
  if (identifier < 0 || identifier >= kControlCount) return nullptr;
  return controls_[identifier].get();
}

void TVLDSAdjustment::SetEnabled(bool value) {
  if (Lock()->Setter(enabled_, value)) ApplyValues();
}

void TVLDSAdjustment::ApplyValues() {
  if (!Enabled()) return;
  for (const auto& control : controls_) control->ApplyValue();
}

bool TVLDSAdjustment::GetVideoProcAmpRanges(int32_t identifier, int32_t* min, int32_t* max, int32_t* delta,
                                            int32_t* defaultValue, int32_t* flags) const {
  if (!min || !max || !delta || !defaultValue || !flags) return false;
  // The camera's answer is taken only as a whole: a failed read leaves no
  // half-written range behind.
  int32_t range[5] = {};
  TIntf<IAMVideoProcAmp> amp = host_ != nullptr ? host_->OpenVideoProcAmp() : nullptr;
  if (amp && SUCCEEDED(amp->GetRange(identifier, &range[0], &range[1], &range[2], &range[3], &range[4]))) {
    *min = range[0], *max = range[1], *delta = range[2], *defaultValue = range[3], *flags = range[4];
    return true;
  }
  *min = kFallbackMin, *max = kFallbackMax, *delta = kFallbackDelta, *defaultValue = kFallbackDefault, *flags = 0;
  return false;
}

bool TVLDSAdjustment::GetVideoProcAmpValue(int32_t identifier, int32_t* value) const {
  if (!value) return false;
  TIntf<IAMVideoProcAmp> amp = host_ != nullptr ? host_->CurrentVideoProcAmp() : nullptr;
  int32_t current = 0, flags = 0;
  if (!amp || FAILED(amp->Get(identifier, &current, &flags))) return false;
  *value = current;
  return true;
}

bool TVLDSAdjustment::SetVideoProcAmpValueFlags(int32_t identifier, int32_t value, TVLDSAdjustmentMode mode) const {
  if (!Enabled() || mode == amUseCurrent) return true;
  int32_t flags = 0;
  if (mode == amAutomatic) {
    flags = VideoProcAmp_Flags_Auto;
  } else if (mode == amManual) {
    flags = VideoProcAmp_Flags_Manual;
  } else {
    return false;  // not a mode: nothing to send
  }
  TIntf<IAMVideoProcAmp> amp = host_ != nullptr ? host_->CurrentVideoProcAmp() : nullptr;
  if (!amp) return false;  // kept for the next start
  return SUCCEEDED(amp->Set(identifier, value, flags));
}

}  // namespace lumicar
