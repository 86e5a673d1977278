#pragma once
// The registered value converters: each stands between a source and a sink
// that share no stream type, receives the source's values on a standard sink
// of the "from" type and sends them converted from a standard source of the
// "to" type.

#include <atomic>

#include "pins/format_converter.h"
#include "pins/typed/float_pins.h"
#include "pins/typed/int64_pins.h"
#include "pins/typed/integer_pins.h"
#include "pins/typed/ranged_pins.h"
#include "pins/typed/real_pins.h"

namespace lumicar {

// Makes the two pins with the converter as owner. Until the input has
// received its first value the converter has none to give, so a new link
// from the output is not told a value then: the sink gets the real one as
// soon as the source behind the converter announces it.
template <typename In, typename Out>
class TOWValueFormatConverterT : public TOWFormatConverter {
 public:
  In* Input() const { return static_cast<In*>(InputPin()); }
  Out* Output() const { return static_cast<Out*>(OutputPin()); }
  // The input has received a value.
  bool HasValue() const { return received_.load(std::memory_order_acquire); }

 protected:
  TOWValueFormatConverterT() {
    auto* input = new In(this);
    auto* output = new Out(this);
    InitPins(input, output);
    output->SetOnCustomNotification([this](Out* pin, IOWStream* receiver, const TGUID& streamId,
                                           IOWNotifyOperation* operation, TOWNotifyState state) -> TOWDispatchResult {
      if (state.testFlag(nsConnectionNotice) && !HasValue()) return {};
      return pin->StandardNotification(receiver, streamId, operation, state);
    });
  }
  void MarkReceived() { received_.store(true, std::memory_order_release); }

 private:
  std::atomic<bool> received_{false};
};

class TOWIntToFloatFormatConverter : public TOWValueFormatConverterT<TOWIntegerSinkPin, TOWFloatSourcePin> {
  Q_OBJECT
 public:
  TOWIntToFloatFormatConverter();
};

class TOWIntToRealFormatConverter : public TOWValueFormatConverterT<TOWIntegerSinkPin, TOWRealSourcePin> {
  Q_OBJECT
 public:
  TOWIntToRealFormatConverter();
};

class TOWInt64ToFloatFormatConverter : public TOWValueFormatConverterT<TOWInt64SinkPin, TOWFloatSourcePin> {
  Q_OBJECT
 public:
  TOWInt64ToFloatFormatConverter();
};

class TOWInt64ToRealFormatConverter : public TOWValueFormatConverterT<TOWInt64SinkPin, TOWRealSourcePin> {
  Q_OBJECT
 public:
  TOWInt64ToRealFormatConverter();
};

class TOWFloatToRealFormatConverter : public TOWValueFormatConverterT<TOWFloatSinkPin, TOWRealSourcePin> {
  Q_OBJECT
 public:
  TOWFloatToRealFormatConverter();
};

// A value with its range becomes a real value with range, a value alone a
// single, a range alone a real range.
class TOWIntToRealRangedFormatConverter : public TOWValueFormatConverterT<TOWIntRangedSinkPin, TOWRealRangedSourcePin> {
  Q_OBJECT
 public:
  TOWIntToRealRangedFormatConverter();
};

class TOWInt64ToRealRangedFormatConverter
    : public TOWValueFormatConverterT<TOWInt64RangedSinkPin, TOWRealRangedSourcePin> {
  Q_OBJECT
 public:
  TOWInt64ToRealRangedFormatConverter();
};

}  // namespace lumicar
