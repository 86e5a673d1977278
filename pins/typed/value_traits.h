#pragma once
// The rules of each standard value family: what its pins hold, which stream
// types they register and accept, and how a value travels in each format a
// receiver may answer. The pin templates (value_pin_templates.h) are written
// against these rules only.
//
// A traits class provides:
//   Value                      the current value of the family's pins;
//   Default()                  the value a new pin holds;
//   SourceTypes()              the types sources and state pins register, in
//                              order (the last is preferred by link choice);
//   DeliveryFormats()          the formats a sending pin asks a receiver for,
//                              in order; the first that answers decides. The
//                              first is the family's own format, in which its
//                              pins send their values;
//   SinkTypes()                the types the family's sinks accept;
//   Make(value, format)        the value as an operation of that format;
//   Adapt(operation, format)   a passing operation of the family recast for
//                              that format, or none to pass it unchanged;
//   Extract(operation, value)  takes what an accepted operation carries into
//                              value (all of it, or one part for ranges);
//                              false for operations the family ignores.

#include <QChar>
#include <QString>
#include <complex>
#include <cstdint>
#include <span>

#include "pins/operations.h"
#include "pins/typed/standard_streams.h"

namespace lumicar {

using TOWStreamIds = std::span<const TGUID>;

// A value with its bounds, as the ranged pins hold it. The bounds are carried
// with the value; they are not enforced on it.
template <typename T>
struct TOWRangedValue {
  T value{};
  T min{};
  T max{};
  friend bool operator==(const TOWRangedValue&, const TOWRangedValue&) = default;
};

using TOWIntRangedValue = TOWRangedValue<int32_t>;
using TOWInt64RangedValue = TOWRangedValue<int64_t>;
using TOWRealRangedValue = TOWRangedValue<double>;

// A family with one stream type and one operation class.
template <typename V, typename Op, const TGUID& Id>
struct TOWSimpleValueTraits {
  using Value = V;
  using Operation = Op;
  static Value Default() { return Value{}; }
  static TOWStreamIds SourceTypes() {
    static const TGUID types[] = {Id};
    return types;
  }
  static TOWStreamIds DeliveryFormats() { return SourceTypes(); }
  static TOWStreamIds SinkTypes() { return SourceTypes(); }
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID&) { return MakeIntf<Op>(value); }
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation*, const TGUID&) { return {}; }
  static bool Extract(IOWNotifyOperation* operation, Value& value) {
    if (auto* op = OWOperationAs<Op>(operation)) {
      value = op->Value();
      return true;
    }
    return false;
  }
};

using TOWBoolTraits = TOWSimpleValueTraits<bool, TOWSuppliedBoolOperation, IID_IOWBoolStream>;
using TOWCharTraits = TOWSimpleValueTraits<QChar, TOWSuppliedCharOperation, IID_IOWCharStream>;
using TOWStringTraits = TOWSimpleValueTraits<QString, TOWSuppliedStringOperation, IID_IOWStringStream>;
using TOWIntegerTraits = TOWSimpleValueTraits<int32_t, TOWSuppliedIntegerOperation, IID_IOWIntegerStream>;
using TOWInt64Traits = TOWSimpleValueTraits<int64_t, TOWSuppliedInt64Operation, IID_IOWInt64Stream>;
using TOWFloatTraits = TOWSimpleValueTraits<float, TOWSuppliedSingleOperation, IID_IOWFloatStream>;
using TOWComplexTraits =
    TOWSimpleValueTraits<std::complex<double>, TOWSuppliedRealComplexOperation, IID_IOWRealComplexStream>;
// Date-times are days, as a double.
using TOWDateTimeTraits = TOWSimpleValueTraits<double, TOWSuppliedDateTimeOperation, IID_IOWDateTimeStream>;

// Doubles; receivers that take only singles get the value narrowed.
struct TOWRealTraits {
  using Value = double;
  static Value Default() { return 0; }
  static TOWStreamIds SourceTypes();      // float, real
  static TOWStreamIds DeliveryFormats();  // real, float
  static TOWStreamIds SinkTypes();        // float, real
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation* operation, const TGUID& format);
  static bool Extract(IOWNotifyOperation* operation, Value& value);
};

// Singles that integer receivers get rounded.
struct TOWFloatIntTraits {
  using Value = float;
  static Value Default() { return 0; }
  static TOWStreamIds SourceTypes();      // float, 32-bit integer
  static TOWStreamIds DeliveryFormats();  // float, 32-bit integer
  static TOWStreamIds SinkTypes();        // 32-bit integer, float
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation* operation, const TGUID& format);
  static bool Extract(IOWNotifyOperation* operation, Value& value);
};

// A 32-bit integer with bounds; plain integer receivers get the value only.
struct TOWIntRangedTraits {
  using Value = TOWIntRangedValue;
  static Value Default() { return {}; }
  static TOWStreamIds SourceTypes();      // 32-bit integer, ranged 32-bit integer
  static TOWStreamIds DeliveryFormats();  // ranged, plain
  static TOWStreamIds SinkTypes();        // ranged only (the "And" sinks add the plain type)
  static TOWStreamIds PlainAndRangedTypes();
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation*, const TGUID&) { return {}; }
  static bool Extract(IOWNotifyOperation* operation, Value& value);
  static TIntf<IOWNotifyOperation> MakeRange(const Value& value);
};

struct TOWInt64RangedTraits {
  using Value = TOWInt64RangedValue;
  static Value Default() { return {}; }
  static TOWStreamIds SourceTypes();  // 64-bit integer, ranged 64-bit integer
  static TOWStreamIds DeliveryFormats();
  static TOWStreamIds SinkTypes();
  static TOWStreamIds PlainAndRangedTypes();
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation*, const TGUID&) { return {}; }
  static bool Extract(IOWNotifyOperation* operation, Value& value);
  static TIntf<IOWNotifyOperation> MakeRange(const Value& value);
};

// A double with bounds; real receivers get the value, single receivers the
// value narrowed.
struct TOWRealRangedTraits {
  using Value = TOWRealRangedValue;
  static Value Default() { return {}; }
  static TOWStreamIds SourceTypes();          // float, real, ranged real
  static TOWStreamIds DeliveryFormats();      // ranged, real, float
  static TOWStreamIds SinkTypes();            // ranged only
  static TOWStreamIds PlainAndRangedTypes();  // float, real, ranged
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation* operation, const TGUID& format);
  static bool Extract(IOWNotifyOperation* operation, Value& value);
  static TIntf<IOWNotifyOperation> MakeRange(const Value& value);
};

// A 64-bit time in 100-ns units with bounds, offered also as date-times.
struct TOWInt64TimeRangedTraits {
  using Value = TOWInt64RangedValue;
  static Value Default() { return {}; }
  // 64-bit integer, ranged 64-bit integer, date/time, date-time ranged.
  static TOWStreamIds SourceTypes();
  // Ranged 64-bit, 64-bit, date-time ranged, date/time: the integer forms
  // carry the value exactly.
  static TOWStreamIds DeliveryFormats();
  static TOWStreamIds SinkTypes() { return SourceTypes(); }
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation* operation, const TGUID& format);
  static bool Extract(IOWNotifyOperation* operation, Value& value);
  static TIntf<IOWNotifyOperation> MakeRange(const Value& value);
};

// A double offered as every simple type a control might take.
struct TOWStdComboTraits {
  using Value = double;
  static Value Default() { return 0; }
  static TOWStreamIds SourceTypes();  // real, float, 32-bit integer, string, Boolean
  // Real, float, integer, string, Boolean: the most exact form first.
  static TOWStreamIds DeliveryFormats();
  static TOWStreamIds SinkTypes() { return {}; }
  static TIntf<IOWNotifyOperation> Make(const Value& value, const TGUID& format);
  static TIntf<IOWNotifyOperation> Adapt(IOWNotifyOperation* operation, const TGUID& format);
  static bool Extract(IOWNotifyOperation* operation, Value& value);
};

}  // namespace lumicar
