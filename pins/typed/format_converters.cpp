#include "pins/typed/format_converters.h"

namespace lumicar {

namespace {

// The ranged converters look at the operation itself, because what is sent
// depends on whether the value came with its range.
// Empty for operations that carry no integer value or range.
template <typename ValueRangeOp, typename ValueOp, typename RangeOp>
TIntf<IOWNotifyOperation> ConvertRanged(IOWNotifyOperation* operation, TOWRealRangedValue& next) {
  TIntf<IOWNotifyOperation> converted;
  if (auto* valueRange = OWOperationAs<ValueRangeOp>(operation)) {
    next = {static_cast<double>(valueRange->Value()), static_cast<double>(valueRange->Min()),
            static_cast<double>(valueRange->Max())};
    converted = MakeIntf<TOWSuppliedRealValueRangeOperation>(next.value, next.min, next.max);
  } else if (auto* value = OWOperationAs<ValueOp>(operation)) {
    next.value = static_cast<double>(value->Value());
    converted = MakeIntf<TOWSuppliedSingleOperation>(static_cast<float>(value->Value()));
  } else if (auto* range = OWOperationAs<RangeOp>(operation)) {
    next.min = static_cast<double>(range->Min());
    next.max = static_cast<double>(range->Max());
    converted = MakeIntf<TOWSuppliedRealRangeOperation>(next.min, next.max);
  }
  return converted;
}

}  // namespace

TOWIntToFloatFormatConverter::TOWIntToFloatFormatConverter() {
  Input()->SetOnValueChanged([this](TOWIntegerSinkPin*, const int32_t& value) {
    MarkReceived();
    Output()->Submit(static_cast<float>(value));
  });
}

TOWIntToRealFormatConverter::TOWIntToRealFormatConverter() {
  Input()->SetOnValueChanged([this](TOWIntegerSinkPin*, const int32_t& value) {
    MarkReceived();
    Output()->Submit(static_cast<double>(value));
  });
}

TOWInt64ToFloatFormatConverter::TOWInt64ToFloatFormatConverter() {
  Input()->SetOnValueChanged([this](TOWInt64SinkPin*, const int64_t& value) {
    MarkReceived();
    Output()->Submit(static_cast<float>(value));
  });
}

TOWInt64ToRealFormatConverter::TOWInt64ToRealFormatConverter() {
  Input()->SetOnValueChanged([this](TOWInt64SinkPin*, const int64_t& value) {
    MarkReceived();
    Output()->Submit(static_cast<double>(value));
  });
}

TOWFloatToRealFormatConverter::TOWFloatToRealFormatConverter() {
  Input()->SetOnValueChanged([this](TOWFloatSinkPin*, const float& value) {
    MarkReceived();
    Output()->Submit(static_cast<double>(value));
  });
}

TOWIntToRealRangedFormatConverter::TOWIntToRealRangedFormatConverter() {
  Input()->SetDispatchEvent(
      [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) -> TOWDispatchResult {
        TOWRealRangedValue next = Output()->GetValue();
        TIntf<IOWNotifyOperation> converted =
            ConvertRanged<TOWSuppliedIntValueRangeOperation, TOWSuppliedIntegerOperation, TOWSuppliedIntRangeOperation>(
                operation, next);
        if (converted) {
          MarkReceived();
          Output()->SubmitOperation(next, converted);
        }
        return {};
      });
}

TOWInt64ToRealRangedFormatConverter::TOWInt64ToRealRangedFormatConverter() {
  Input()->SetDispatchEvent([this](TOWPin*, const TGUID&, IOWNotifyOperation* operation,
                                   TOWNotifyState) -> TOWDispatchResult {
    TOWRealRangedValue next = Output()->GetValue();
    TIntf<IOWNotifyOperation> converted =
        ConvertRanged<TOWSuppliedInt64ValueRangeOperation, TOWSuppliedInt64Operation, TOWSuppliedInt64RangeOperation>(
            operation, next);
    if (converted) {
      MarkReceived();
      Output()->SubmitOperation(next, converted);
    }
    return {};
  });
}

}  // namespace lumicar
