#pragma once
// Ranged value pins: a value with its bounds, for 32-bit integers, 64-bit
// integers and doubles. Sources and state pins send the value with its bounds
// (or the bounds alone when only they change); plain receivers of the value
// type get the value only. The "Ranged" sinks take only the ranged stream,
// the "AndRanged" sinks the plain streams as well.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWIntRangedSourcePin : public TOWRangedValueOps<TOWValueSourcePinT<TOWIntRangedSourcePin, TOWIntRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWIntRangedSourcePin() override { BeforeDestruction(); }
};

class TOWIntRangedSinkPin : public TOWValueSinkPinT<TOWIntRangedSinkPin, TOWIntRangedTraits> {
  Q_OBJECT
 public:
  explicit TOWIntRangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                               TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData) {}
  ~TOWIntRangedSinkPin() override { BeforeDestruction(); }
};

class TOWIntAndRangedSinkPin : public TOWValueSinkPinT<TOWIntAndRangedSinkPin, TOWIntRangedTraits> {
  Q_OBJECT
 public:
  explicit TOWIntAndRangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                  TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData,
                         TOWIntRangedTraits::PlainAndRangedTypes()) {}
  ~TOWIntAndRangedSinkPin() override { BeforeDestruction(); }
};

class TOWIntRangedStatePin : public TOWRangedValueOps<TOWValueStatePinT<TOWIntRangedStatePin, TOWIntRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWIntRangedStatePin() override { BeforeDestruction(); }
};

class TOWInt64RangedSourcePin
    : public TOWRangedValueOps<TOWValueSourcePinT<TOWInt64RangedSourcePin, TOWInt64RangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWInt64RangedSourcePin() override { BeforeDestruction(); }
};

class TOWInt64RangedSinkPin : public TOWValueSinkPinT<TOWInt64RangedSinkPin, TOWInt64RangedTraits> {
  Q_OBJECT
 public:
  explicit TOWInt64RangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                 TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData) {}
  ~TOWInt64RangedSinkPin() override { BeforeDestruction(); }
};

class TOWInt64AndRangedSinkPin : public TOWValueSinkPinT<TOWInt64AndRangedSinkPin, TOWInt64RangedTraits> {
  Q_OBJECT
 public:
  explicit TOWInt64AndRangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                    TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData,
                         TOWInt64RangedTraits::PlainAndRangedTypes()) {}
  ~TOWInt64AndRangedSinkPin() override { BeforeDestruction(); }
};

class TOWInt64RangedStatePin
    : public TOWRangedValueOps<TOWValueStatePinT<TOWInt64RangedStatePin, TOWInt64RangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWInt64RangedStatePin() override { BeforeDestruction(); }
};

class TOWRealRangedSourcePin
    : public TOWRangedValueOps<TOWValueSourcePinT<TOWRealRangedSourcePin, TOWRealRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWRealRangedSourcePin() override { BeforeDestruction(); }
};

class TOWRealRangedSinkPin : public TOWValueSinkPinT<TOWRealRangedSinkPin, TOWRealRangedTraits> {
  Q_OBJECT
 public:
  explicit TOWRealRangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData) {}
  ~TOWRealRangedSinkPin() override { BeforeDestruction(); }
};

class TOWRealAndRangedSinkPin : public TOWValueSinkPinT<TOWRealAndRangedSinkPin, TOWRealRangedTraits> {
  Q_OBJECT
 public:
  explicit TOWRealAndRangedSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                   TOWValueChangedEvent onValueChanged = {}, QObject* customData = nullptr)
      : TOWValueSinkPinT(owner, ownerLock, std::move(onValueChanged), customData,
                         TOWRealRangedTraits::PlainAndRangedTypes()) {}
  ~TOWRealAndRangedSinkPin() override { BeforeDestruction(); }
};

class TOWRealAndRangedStatePin
    : public TOWRangedValueOps<TOWValueStatePinT<TOWRealAndRangedStatePin, TOWRealRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWRealAndRangedStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
