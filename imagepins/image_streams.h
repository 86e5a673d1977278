#pragma once
// The stream types that carry frames and other data buffers between
// components, the channel interface their receivers answer, and the default
// handler that hands an operation to that interface.

#include "pins/notify_state.h"
#include "pins/stream.h"
#include "runtime/guid.h"

namespace lumicar {

class TOWPin;

// The interface through which data-buffer pins receive (the channel
// interface); same shape as every stream interface.
inline const TGUID IID_IOWSLGenericStream = TGUID::FromString("{20ACBC6D-DA0D-4359-8C78-CE0067D009A0}");

// Own type of every data-buffer pin; sink pins send their upstream traffic over it.
inline const TGUID IID_SLUniversalStream = TGUID::FromString("{949B7FD0-421F-4F1B-B8D2-87969D3E66E0}");
// Raw bytes of a frame.
inline const TGUID IID_SLBinaryArrayStream = TGUID::FromString("{BD807B57-05AE-44E0-A99F-3D9BAD83395E}");
inline const TGUID IID_SLPairedBuffersStream = TGUID::FromString("{F4D70F89-B478-4D08-990F-AD03759D0E31}");

// Frames as image buffers: every link of the viewer's chain carries this one.
inline const TGUID IID_VLImageStream = TGUID::FromString("{877BD684-2669-4F1E-8BA8-E76EE35E5946}");
inline const TGUID IID_VLImageOrCompressedStream = TGUID::FromString("{135DA722-93A1-446B-B936-6E41EF922C46}");
inline const TGUID IID_VLXYFloatStream = TGUID::FromString("{1175C7F8-7636-4EFD-9AF1-A8F3551981A7}");

// Registers the image and point-data stream types with their names, default
// handlers and converters (image to binary, points to paired buffers), and
// the data-buffer types they rely on.
// Runs once; every data-buffer pin calls it when it is made.
void VLRegisterImageStreams();

// Hands the operation to the receiver's channel interface; nothing for
// connection notices (data-buffer receivers have no current value to be
// told about) or when the receiver does not answer the interface.
TOWDispatchResult DefaultSLChannelNotificationHandler(TOWPin* pin, IOWStream* receiver, const TGUID& streamId,
                                                      IOWNotifyOperation* operation, TOWNotifyState state);

// As above; when the receiver has no channel interface it is tried through
// the data-stream interface (used by the source side).
TOWDispatchResult SLDeliverToChannel(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                     TOWNotifyState state, bool tryDataStream);

}  // namespace lumicar
