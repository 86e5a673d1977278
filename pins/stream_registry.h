#pragma once
// The process-wide registries of stream types: display names and default
// handlers per stream ID, and the format converters registered between two
// stream IDs. Units that define stream types fill them at start-up; links
// read them when they pick a type or deliver through a default handler.

#include <QString>
#include <vector>

#include "pins/notify_state.h"
#include "runtime/guid.h"

namespace lumicar {

class TOWPin;
class TOWFormatConverter;

// Called by the default submit function for a stream ID:
// (sending pin, receiving stream, stream ID, operation, notify state).
using TOWDefaultHandler = TOWDispatchResult (*)(TOWPin* pin, IOWStream* receiver, const TGUID& streamId,
                                                IOWNotifyOperation* operation, TOWNotifyState state);

// Creates a converter without owner; the converter registry keeps one per
// (from, to) pair.
using TOWFormatConverterClass = TOWFormatConverter* (*)();

// Creates a converter of class T (default constructible).
template <typename T>
TOWFormatConverter* OWNewConverter() {
  return new T();
}

// Finds the entry for id or appends one (empty name, no handler), then sets
// the name.
void OWRegisterStream(const TGUID& id, const QString& name);
// Same lookup; sets the default handler.
void OWRegisterDefaultHandler(const TGUID& id, TOWDefaultHandler handler);
// The default handler of id, or none.
TOWDefaultHandler OWGetDefaultHandler(const TGUID& id);
// "NIL ID" for the zero GUID, the registered name when not empty, otherwise
// the braced registry form of the identifier.
QString OWGetStreamTypeFromID(const TGUID& id);

// Replaces the class of an existing (from, to) pair, otherwise appends.
void OWRegisterTypeConverter(const TGUID& fromId, const TGUID& toId, TOWFormatConverterClass converterClass);
// The class registered for (from, to), or none.
TOWFormatConverterClass OWGetConverter(const TGUID& fromId, const TGUID& toId);

// Registered converters in registration order, for the link-type search.
struct TOWConverterRegistration {
  TGUID fromId;
  TGUID toId;
  TOWFormatConverterClass converterClass = nullptr;
};
int OWGetConverterRegistrationCount();
TOWConverterRegistration OWGetConverterRegistration(int index);
// All of them at once, for a consistent search.
std::vector<TOWConverterRegistration> OWGetConverterRegistrations();

}  // namespace lumicar
