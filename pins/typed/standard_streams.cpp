#include "pins/typed/standard_streams.h"

#include "pins/pin.h"
#include "pins/stream_registry.h"
#include "pins/typed/format_converters.h"

namespace lumicar {

namespace {

void RegisterAll() {
  OWRegisterStream(IID_IOWClockStream, QStringLiteral("Clock"));
  OWRegisterStream(IID_IOWIntegerStream, QStringLiteral("32 bit Integer single"));
  OWRegisterStream(IID_IOWInt64Stream, QStringLiteral("64 bit Integer single"));
  OWRegisterStream(IID_IOWFloatStream, QStringLiteral("Float single"));
  OWRegisterStream(IID_IOWRealStream, QStringLiteral("Real single"));
  OWRegisterStream(IID_IOWRealComplexStream, QStringLiteral("Real Complex single"));
  OWRegisterStream(IID_IOWBoolStream, QStringLiteral("Boolean single"));
  OWRegisterStream(IID_IOWCharStream, QStringLiteral("Character single"));
  // The system's own spelling; links and stored data know the type by it.
  OWRegisterStream(IID_IOWStringStream, QStringLiteral("Sting"));
  OWRegisterStream(IID_IOWIntRangedStream, QStringLiteral("Ranged 32 bit Integer single"));
  OWRegisterStream(IID_IOWInt64RangedStream, QStringLiteral("Ranged 64 bit Integer single"));
  OWRegisterStream(IID_IOWRealRangedStream, QStringLiteral("Ranged Real single"));
  OWRegisterStream(IID_IOWDateTimeStream, QStringLiteral("Date/Time"));

  OWRegisterDefaultHandler(IID_IOWDataStream, OWStandardDefaultHandler);

  OWRegisterTypeConverter(IID_IOWIntegerStream, IID_IOWFloatStream, OWNewConverter<TOWIntToFloatFormatConverter>);
  OWRegisterTypeConverter(IID_IOWIntegerStream, IID_IOWRealStream, OWNewConverter<TOWIntToRealFormatConverter>);
  OWRegisterTypeConverter(IID_IOWInt64Stream, IID_IOWFloatStream, OWNewConverter<TOWInt64ToFloatFormatConverter>);
  OWRegisterTypeConverter(IID_IOWInt64Stream, IID_IOWRealStream, OWNewConverter<TOWInt64ToRealFormatConverter>);
  OWRegisterTypeConverter(IID_IOWFloatStream, IID_IOWRealStream, OWNewConverter<TOWFloatToRealFormatConverter>);
  OWRegisterTypeConverter(IID_IOWIntRangedStream, IID_IOWRealRangedStream,
                          OWNewConverter<TOWIntToRealRangedFormatConverter>);
  OWRegisterTypeConverter(IID_IOWInt64RangedStream, IID_IOWRealRangedStream,
                          OWNewConverter<TOWInt64ToRealRangedFormatConverter>);
}

TOWDispatchResult ForwardToStream(void*, IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                  TOWNotifyState state) {
  if (TIntf<IOWStreamDispatch> target = OWQueryStreamDispatch(receiver, streamId))
    return target->DispatchData(streamId, operation, state);
  return {};
}

}  // namespace

void OWRegisterStandardStreams() {
  // Thread-safe once: the first standard pin may be made on any thread.
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

TOWSubmitFunction OWStreamForwardSubmit() { return TOWSubmitFunction{&ForwardToStream, nullptr}; }

}  // namespace lumicar
