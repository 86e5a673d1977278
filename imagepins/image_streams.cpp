#include "imagepins/image_streams.h"

#include "imagepins/image_to_binary_converter.h"
#include "imagepins/xy_float_to_pairs_converter.h"
#include "pins/stream_registry.h"
#include "pins/typed/standard_streams.h"

namespace lumicar {

namespace {

void RegisterAll() {
  // The clock type the data-buffer sources carry comes with the standard types.
  OWRegisterStandardStreams();
  OWRegisterStream(IID_SLUniversalStream, QStringLiteral("SL Universal stream"));
  OWRegisterStream(IID_SLBinaryArrayStream, QStringLiteral("SL binary array"));
  OWRegisterStream(IID_SLPairedBuffersStream, QStringLiteral("SL Paired Buffers stream"));

  OWRegisterStream(IID_VLImageStream, QStringLiteral("VL Image stream"));
  OWRegisterDefaultHandler(IID_VLImageStream, DefaultSLChannelNotificationHandler);
  OWRegisterTypeConverter(IID_VLImageStream, IID_SLBinaryArrayStream,
                          OWNewConverter<TSLOWImageToBinaryFormatConverter>);

  OWRegisterStream(IID_VLImageOrCompressedStream, QStringLiteral("VL Image or compressed stream"));

  OWRegisterStream(IID_VLXYFloatStream, QStringLiteral("XY Float Coordinates stream"));
  OWRegisterDefaultHandler(IID_VLXYFloatStream, DefaultSLChannelNotificationHandler);
  OWRegisterTypeConverter(IID_VLXYFloatStream, IID_SLPairedBuffersStream,
                          OWNewConverter<TOWVLXYFloatToPairsFormatConverter>);
}

}  // namespace

void VLRegisterImageStreams() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

TOWDispatchResult SLDeliverToChannel(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                     TOWNotifyState state, bool tryDataStream) {
  if (state.testFlag(nsConnectionNotice) || !receiver) return {};
  if (TIntf<IOWStreamDispatch> channel = OWQueryStreamDispatch(receiver, IID_IOWSLGenericStream))
    return channel->DispatchData(streamId, operation, state);
  if (tryDataStream)
    if (TIntf<IOWStreamDispatch> data = OWQueryStreamDispatch(receiver, IID_IOWDataStream))
      return data->DispatchData(streamId, operation, state);
  return {};
}

TOWDispatchResult DefaultSLChannelNotificationHandler(TOWPin*, IOWStream* receiver, const TGUID& streamId,
                                                      IOWNotifyOperation* operation, TOWNotifyState state) {
  return SLDeliverToChannel(receiver, streamId, operation, state, false);
}

}  // namespace lumicar
