#pragma once
// One camera picture control of the capture component's Adjustment: mode and
// stored value, the camera's range and modes; sent on every Mode change and Value write.

#include <cstdint>

#include "capture/adjustment_mode.h"
#include "components/lp_persistent.h"

namespace lumicar {

class TVLDSAdjustment;

class TVLDSAdjustmentProperty : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::adjustment_mode::TVLDSAdjustmentMode Mode READ Mode WRITE SetMode)
  Q_CLASSINFO("Default.Mode", "amUseCurrent")

 public:
  ~TVLDSAdjustmentProperty() override;

  // The video processing amplifier property this object controls.
  int32_t Identifier() const { return id_; }

  TVLDSAdjustmentMode Mode() const;
  // Under the write lock: a different mode is stored and sent at once. Values
  // outside the enumeration are ignored.
  void SetMode(TVLDSAdjustmentMode mode);
  // The modes the camera offers for this control (opens the camera); empty
  // when it has no range for it. amUseCurrent is never in the set.
  TVLDSAdjustmentModes Modes() const;

  // Sends the stored value with the mode through the owning adjustment.
  // Whether the camera took it is not reported.
  virtual void ApplyValue() = 0;

 protected:
  // Belongs to adjustment (sharing its lock) or, without one, stands alone
  // with a lock of its own: then nothing is ever sent.
  TVLDSAdjustmentProperty(TVLDSAdjustment* adjustment, int32_t identifier);

  TVLDSAdjustment* Adjustment() const { return adjustment_; }
  // The camera's range, or the fallback (-10000, 10000, 1, 1) when there is none.
  bool Range(int32_t* min, int32_t* max, int32_t* delta, int32_t* defaultValue, int32_t* flags) const;
  // The camera's current value; false without an open graph or when it cannot be read.
  bool CameraValue(int32_t* value) const;
  // Sends value with the current mode.
  void Send(int32_t value);

 private:
  TVLDSAdjustment* adjustment_;
  int32_t id_;
  TVLDSAdjustmentMode mode_ = amUseCurrent;
};

// A control with a numeric value (brightness, contrast, ...).
class TVLDSIntegerAdjustmentProperty : public TVLDSAdjustmentProperty {
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_CLASSINFO("Default.Value", "0")
  Q_PROPERTY(int Min READ Min STORED false)
  Q_PROPERTY(int Max READ Max STORED false)
  Q_PROPERTY(int Delta READ Delta STORED false)
  Q_PROPERTY(int DefaultValue READ DefaultValue STORED false)
  Q_PROPERTY(bool RangesSupported READ RangesSupported STORED false)

 public:
  TVLDSIntegerAdjustmentProperty(TVLDSAdjustment* adjustment, int32_t identifier)
      : TVLDSAdjustmentProperty(adjustment, identifier) {}
  // A free-standing one, for copying settings.
  Q_INVOKABLE TVLDSIntegerAdjustmentProperty() : TVLDSAdjustmentProperty(nullptr, 0) {}

  // The camera's current value while the graph is open and answers, otherwise
  // the stored one. Never opens the graph.
  int32_t Value() const;
  // Stores the value and sends it, also when it did not change.
  void SetValue(int32_t value);
  // What was last written to Value, whatever the camera holds.
  int32_t StoredValue() const { return Lock()->Getter(value_); }

  // The camera's range (these open the camera), or -10000, 10000, 1 and 1.
  int32_t Min() const;
  int32_t Max() const;
  int32_t Delta() const;
  int32_t DefaultValue() const;
  bool RangesSupported() const;

  void ApplyValue() override;

 private:
  int32_t value_ = 0;
};

// A control that is on or off (colour enable, backlight compensation); the
// camera gets 1 or 0.
class TVLDSBooleanAdjustmentProperty : public TVLDSAdjustmentProperty {
  Q_OBJECT
  Q_PROPERTY(bool Value READ Value WRITE SetValue)
  Q_CLASSINFO("Default.Value", "False")

 public:
  TVLDSBooleanAdjustmentProperty(TVLDSAdjustment* adjustment, int32_t identifier)
      : TVLDSAdjustmentProperty(adjustment, identifier) {}
  Q_INVOKABLE TVLDSBooleanAdjustmentProperty() : TVLDSAdjustmentProperty(nullptr, 0) {}

  // The camera's current value (not zero reads as true) while the graph is
  // open and answers, otherwise the stored one.
  bool Value() const;
  void SetValue(bool value);
  bool StoredValue() const { return Lock()->Getter(value_); }

  void ApplyValue() override;

 private:
  bool value_ = false;
};

}  // namespace lumicar
