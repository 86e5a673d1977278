#pragma once
// The standard stream types of single values and clock ticks: their
// identifiers (each is also the interface that receiving pins answer), their
// registration with names, the standard default handler and the value
// converters, and the submit function that standard sinks use upstream.

#include "pins/notify_state.h"
#include "pins/stream.h"
#include "runtime/guid.h"

namespace lumicar {

inline const TGUID IID_IOWClockStream = TGUID::FromString("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
inline const TGUID IID_IOWIntegerStream = TGUID::FromString("{92F6B47E-B46E-49BB-9A8E-676D3C2F2E66}");
inline const TGUID IID_IOWInt64Stream = TGUID::FromString("{6D054E38-F733-4212-8D5A-0E866802F866}");
inline const TGUID IID_IOWFloatStream = TGUID::FromString("{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}");
inline const TGUID IID_IOWRealStream = TGUID::FromString("{208F9564-3C20-4C97-BB77-2FC5AE6E4194}");
inline const TGUID IID_IOWRealComplexStream = TGUID::FromString("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
inline const TGUID IID_IOWBoolStream = TGUID::FromString("{7AA677AE-F983-4714-8E64-EC6F3D17695B}");
inline const TGUID IID_IOWCharStream = TGUID::FromString("{3241B885-95E1-495F-ACEC-4A1C98872B63}");
inline const TGUID IID_IOWStringStream = TGUID::FromString("{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
inline const TGUID IID_IOWIntRangedStream = TGUID::FromString("{836EE1EA-B8BD-4E04-8225-6AB547D1A3C4}");
inline const TGUID IID_IOWInt64RangedStream = TGUID::FromString("{B201C2F8-CA4D-4CF3-8E6D-E620D2B9D7EF}");
inline const TGUID IID_IOWRealRangedStream = TGUID::FromString("{648AC95D-2772-427C-AD9D-2B7F1EDDE1A7}");
inline const TGUID IID_IOWDateTimeStream = TGUID::FromString("{475D7D8B-4796-42A5-8F8E-B512B8FD2704}");
// Carried by the time-ranged pins; it has no registered name.
inline const TGUID IID_IOWDateTimeRangedStream = TGUID::FromString("{92419B6E-F281-455A-852F-8253D761E30B}");

// Registers the standard stream types with their names (in their fixed
// order), the standard default handler for the data stream and the value
// converters. Runs once; every standard pin calls it when it is made, so the
// types exist before any such pin, and start-up code may call it earlier.
void OWRegisterStandardStreams();

// The submit function of standard sink pins for their upstream traffic (and
// of their deliveries within a state group): hands the operation unchanged to
// the receiver's interface of the link's stream type, nothing when the
// receiver does not answer it.
TOWSubmitFunction OWStreamForwardSubmit();

}  // namespace lumicar
