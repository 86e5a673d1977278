#include "pins/typed/value_traits.h"

#include "pins/typed/value_conversions.h"

namespace lumicar {

namespace {

template <typename Op, typename... Args>
TIntf<IOWNotifyOperation> Op_(Args&&... args) {
  return MakeIntf<Op>(std::forward<Args>(args)...);
}

}  // namespace

// ---- Real ----

TOWStreamIds TOWRealTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWFloatStream, IID_IOWRealStream};
  return types;
}

TOWStreamIds TOWRealTraits::DeliveryFormats() {
  static const TGUID types[] = {IID_IOWRealStream, IID_IOWFloatStream};
  return types;
}

TOWStreamIds TOWRealTraits::SinkTypes() { return SourceTypes(); }

TIntf<IOWNotifyOperation> TOWRealTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWFloatStream) return Op_<TOWSuppliedSingleOperation>(OWNarrowToSingle(value));
  return Op_<TOWSuppliedRealOperation>(value);
}

TIntf<IOWNotifyOperation> TOWRealTraits::Adapt(IOWNotifyOperation* operation, const TGUID& format) {
  if (format == IID_IOWFloatStream)
    if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation))
      return Op_<TOWSuppliedSingleOperation>(OWNarrowToSingle(op->Value()));
  return {};
}

bool TOWRealTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation)) {
    value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedSingleOperation>(operation)) {
    value = op->Value();
    return true;
  }
  return false;
}

// ---- FloatInt ----

TOWStreamIds TOWFloatIntTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWFloatStream, IID_IOWIntegerStream};
  return types;
}

TOWStreamIds TOWFloatIntTraits::DeliveryFormats() { return SourceTypes(); }

TOWStreamIds TOWFloatIntTraits::SinkTypes() {
  static const TGUID types[] = {IID_IOWIntegerStream, IID_IOWFloatStream};
  return types;
}

TIntf<IOWNotifyOperation> TOWFloatIntTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWIntegerStream) return Op_<TOWSuppliedIntegerOperation>(OWRoundToInt32(value));
  return Op_<TOWSuppliedSingleOperation>(value);
}

TIntf<IOWNotifyOperation> TOWFloatIntTraits::Adapt(IOWNotifyOperation* operation, const TGUID& format) {
  if (format == IID_IOWIntegerStream)
    if (auto* op = OWOperationAs<TOWSuppliedSingleOperation>(operation))
      return Op_<TOWSuppliedIntegerOperation>(OWRoundToInt32(op->Value()));
  return {};
}

bool TOWFloatIntTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedSingleOperation>(operation)) {
    value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedIntegerOperation>(operation)) {
    value = static_cast<float>(op->Value());
    return true;
  }
  return false;
}

// ---- Ranged 32-bit integer ----

TOWStreamIds TOWIntRangedTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWIntegerStream, IID_IOWIntRangedStream};
  return types;
}

TOWStreamIds TOWIntRangedTraits::DeliveryFormats() {
  static const TGUID types[] = {IID_IOWIntRangedStream, IID_IOWIntegerStream};
  return types;
}

TOWStreamIds TOWIntRangedTraits::SinkTypes() {
  static const TGUID types[] = {IID_IOWIntRangedStream};
  return types;
}

TOWStreamIds TOWIntRangedTraits::PlainAndRangedTypes() { return SourceTypes(); }

TIntf<IOWNotifyOperation> TOWIntRangedTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWIntegerStream) return Op_<TOWSuppliedIntegerOperation>(value.value);
  return Op_<TOWSuppliedIntValueRangeOperation>(value.value, value.min, value.max);
}

TIntf<IOWNotifyOperation> TOWIntRangedTraits::MakeRange(const Value& value) {
  return Op_<TOWSuppliedIntRangeOperation>(value.min, value.max);
}

bool TOWIntRangedTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedIntValueRangeOperation>(operation)) {
    value = {op->Value(), op->Min(), op->Max()};
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedIntegerOperation>(operation)) {
    value.value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedIntRangeOperation>(operation)) {
    value.min = op->Min();
    value.max = op->Max();
    return true;
  }
  return false;
}

// ---- Ranged 64-bit integer ----

TOWStreamIds TOWInt64RangedTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWInt64Stream, IID_IOWInt64RangedStream};
  return types;
}

TOWStreamIds TOWInt64RangedTraits::DeliveryFormats() {
  static const TGUID types[] = {IID_IOWInt64RangedStream, IID_IOWInt64Stream};
  return types;
}

TOWStreamIds TOWInt64RangedTraits::SinkTypes() {
  static const TGUID types[] = {IID_IOWInt64RangedStream};
  return types;
}

TOWStreamIds TOWInt64RangedTraits::PlainAndRangedTypes() { return SourceTypes(); }

TIntf<IOWNotifyOperation> TOWInt64RangedTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWInt64Stream) return Op_<TOWSuppliedInt64Operation>(value.value);
  return Op_<TOWSuppliedInt64ValueRangeOperation>(value.value, value.min, value.max);
}

TIntf<IOWNotifyOperation> TOWInt64RangedTraits::MakeRange(const Value& value) {
  return Op_<TOWSuppliedInt64RangeOperation>(value.min, value.max);
}

bool TOWInt64RangedTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedInt64ValueRangeOperation>(operation)) {
    value = {op->Value(), op->Min(), op->Max()};
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedInt64Operation>(operation)) {
    value.value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedInt64RangeOperation>(operation)) {
    value.min = op->Min();
    value.max = op->Max();
    return true;
  }
  return false;
}

// ---- Ranged real ----

TOWStreamIds TOWRealRangedTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWFloatStream, IID_IOWRealStream, IID_IOWRealRangedStream};
  return types;
}

TOWStreamIds TOWRealRangedTraits::DeliveryFormats() {
  static const TGUID types[] = {IID_IOWRealRangedStream, IID_IOWRealStream, IID_IOWFloatStream};
  return types;
}

TOWStreamIds TOWRealRangedTraits::SinkTypes() {
  static const TGUID types[] = {IID_IOWRealRangedStream};
  return types;
}

TOWStreamIds TOWRealRangedTraits::PlainAndRangedTypes() { return SourceTypes(); }

TIntf<IOWNotifyOperation> TOWRealRangedTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWFloatStream) return Op_<TOWSuppliedSingleOperation>(OWNarrowToSingle(value.value));
  if (format == IID_IOWRealStream) return Op_<TOWSuppliedRealOperation>(value.value);
  return Op_<TOWSuppliedRealValueRangeOperation>(value.value, value.min, value.max);
}

TIntf<IOWNotifyOperation> TOWRealRangedTraits::Adapt(IOWNotifyOperation* operation, const TGUID& format) {
  if (format == IID_IOWFloatStream)
    if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation))
      return Op_<TOWSuppliedSingleOperation>(OWNarrowToSingle(op->Value()));
  return {};
}

TIntf<IOWNotifyOperation> TOWRealRangedTraits::MakeRange(const Value& value) {
  return Op_<TOWSuppliedRealRangeOperation>(value.min, value.max);
}

bool TOWRealRangedTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedRealValueRangeOperation>(operation)) {
    value = {op->Value(), op->Min(), op->Max()};
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation)) {
    value.value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedSingleOperation>(operation)) {
    value.value = op->Value();
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedRealRangeOperation>(operation)) {
    value.min = op->Min();
    value.max = op->Max();
    return true;
  }
  return false;
}

// ---- 64-bit time with range ----

TOWStreamIds TOWInt64TimeRangedTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWInt64Stream, IID_IOWInt64RangedStream, IID_IOWDateTimeStream,
                                IID_IOWDateTimeRangedStream};
  return types;
}

TOWStreamIds TOWInt64TimeRangedTraits::DeliveryFormats() {
  static const TGUID types[] = {IID_IOWInt64RangedStream, IID_IOWInt64Stream, IID_IOWDateTimeRangedStream,
                                IID_IOWDateTimeStream};
  return types;
}

TIntf<IOWNotifyOperation> TOWInt64TimeRangedTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWInt64Stream) return Op_<TOWSuppliedInt64Operation>(value.value);
  if (format == IID_IOWDateTimeStream) return Op_<TOWSuppliedDateTimeOperation>(OWTicksToDateTime(value.value));
  if (format == IID_IOWDateTimeRangedStream)
    return Op_<TOWSuppliedDateTimeValueRangeOperation>(OWTicksToDateTime(value.value), OWTicksToDateTime(value.min),
                                                       OWTicksToDateTime(value.max));
  return Op_<TOWSuppliedInt64ValueRangeOperation>(value.value, value.min, value.max);
}

TIntf<IOWNotifyOperation> TOWInt64TimeRangedTraits::Adapt(IOWNotifyOperation* operation, const TGUID& format) {
  // The family's own operations are 64-bit; date-time receivers get them as
  // date-times.
  const bool ranged = format == IID_IOWDateTimeRangedStream;
  if (!ranged && !(format == IID_IOWDateTimeStream)) return {};
  if (auto* op = OWOperationAs<TOWSuppliedInt64ValueRangeOperation>(operation)) {
    if (ranged)
      return Op_<TOWSuppliedDateTimeValueRangeOperation>(OWTicksToDateTime(op->Value()), OWTicksToDateTime(op->Min()),
                                                         OWTicksToDateTime(op->Max()));
    return Op_<TOWSuppliedDateTimeOperation>(OWTicksToDateTime(op->Value()));
  }
  if (auto* op = OWOperationAs<TOWSuppliedInt64Operation>(operation))
    return Op_<TOWSuppliedDateTimeOperation>(OWTicksToDateTime(op->Value()));
  if (auto* op = OWOperationAs<TOWSuppliedInt64RangeOperation>(operation))
    return Op_<TOWSuppliedDateTimeRangeOperation>(OWTicksToDateTime(op->Min()), OWTicksToDateTime(op->Max()));
  return {};
}

TIntf<IOWNotifyOperation> TOWInt64TimeRangedTraits::MakeRange(const Value& value) {
  return Op_<TOWSuppliedInt64RangeOperation>(value.min, value.max);
}

bool TOWInt64TimeRangedTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (TOWInt64RangedTraits::Extract(operation, value)) return true;
  if (auto* op = OWOperationAs<TOWSuppliedDateTimeValueRangeOperation>(operation)) {
    value = {OWDateTimeToTicks(op->Value()), OWDateTimeToTicks(op->Min()), OWDateTimeToTicks(op->Max())};
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedDateTimeOperation>(operation)) {
    value.value = OWDateTimeToTicks(op->Value());
    return true;
  }
  if (auto* op = OWOperationAs<TOWSuppliedDateTimeRangeOperation>(operation)) {
    value.min = OWDateTimeToTicks(op->Min());
    value.max = OWDateTimeToTicks(op->Max());
    return true;
  }
  return false;
}

// ---- StdCombo ----

TOWStreamIds TOWStdComboTraits::SourceTypes() {
  static const TGUID types[] = {IID_IOWRealStream, IID_IOWFloatStream, IID_IOWIntegerStream, IID_IOWStringStream,
                                IID_IOWBoolStream};
  return types;
}

TOWStreamIds TOWStdComboTraits::DeliveryFormats() { return SourceTypes(); }

TIntf<IOWNotifyOperation> TOWStdComboTraits::Make(const Value& value, const TGUID& format) {
  if (format == IID_IOWFloatStream) return Op_<TOWSuppliedSingleOperation>(OWNarrowToSingle(value));
  if (format == IID_IOWIntegerStream) return Op_<TOWSuppliedIntegerOperation>(OWRoundToInt32(value));
  if (format == IID_IOWStringStream) return Op_<TOWSuppliedStringOperation>(OWRealToText(value));
  if (format == IID_IOWBoolStream) return Op_<TOWSuppliedBoolOperation>(value != 0);
  return Op_<TOWSuppliedRealOperation>(value);
}

TIntf<IOWNotifyOperation> TOWStdComboTraits::Adapt(IOWNotifyOperation* operation, const TGUID& format) {
  if (format == IID_IOWRealStream) return {};
  if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation)) return Make(op->Value(), format);
  return {};
}

bool TOWStdComboTraits::Extract(IOWNotifyOperation* operation, Value& value) {
  if (auto* op = OWOperationAs<TOWSuppliedRealOperation>(operation)) {
    value = op->Value();
    return true;
  }
  return false;
}

}  // namespace lumicar
