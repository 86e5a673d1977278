#pragma once
// TVLCaptureFrameRate: the frame rate the capture asks its camera for. Every
// change that alters a value is reported to the owner (the capture applies a
// new rate to a running graph when VariableRate is on).

#include "components/lp_locked_persistent_notify.h"

namespace lumicar {

class TVLCaptureFrameRate : public TLPLockedPersistentNotify {
  Q_OBJECT
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_PROPERTY(bool VariableRate READ VariableRate WRITE SetVariableRate)
  Q_PROPERTY(bool Current READ Current WRITE SetCurrent)
  Q_CLASSINFO("Default.Rate", "30")
  Q_CLASSINFO("Default.VariableRate", "False")
  Q_CLASSINFO("Default.Current", "True")

 public:
  template <LPLockOwner Owner>
  explicit TVLCaptureFrameRate(Owner* owner, TNotifyEvent onChange = {})
      : TLPLockedPersistentNotify(owner, std::move(onChange)) {}
  Q_INVOKABLE TVLCaptureFrameRate() : TLPLockedPersistentNotify(nullptr, nullptr) {}

  // Frames per second.
  double Rate() const { return Lock()->Getter(rate_); }
  void SetRate(double value) { Lock()->Setter(rate_, value); }
  // True: a new rate reaches a running graph at once.
  bool VariableRate() const { return Lock()->Getter(variableRate_); }
  void SetVariableRate(bool value) { Lock()->Setter(variableRate_, value); }
  // True: the camera keeps its own rate; Rate is not applied.
  bool Current() const { return Lock()->Getter(current_); }
  void SetCurrent(bool value) { Lock()->Setter(current_, value); }

 private:
  double rate_ = 30.0;
  bool variableRate_ = false;
  bool current_ = true;
};

}  // namespace lumicar
