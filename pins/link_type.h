#pragma once
// The choice of a link's stream type: downstream from a source to a sink
// (directly, through a converter the source already owns, or through a new
// converter from the registry) and upstream from a sink to its source.

#include "pins/stream_registry.h"
#include "runtime/guid.h"

namespace lumicar {

class TOWBasicPin;
class TOWBasicSinkPin;
class TOWSourcePin;
class TOWFormatConverter;

struct TOWLinkChoice {
  // The type of the link from the source (to the sink, or to the input of
  // the converter); zero: no link possible.
  TGUID id;
  // An existing converter of the source to link through.
  TOWFormatConverter* converter = nullptr;
  // A converter class to instantiate.
  TOWFormatConverterClass converterClass = nullptr;
  explicit operator bool() const { return !id.IsNull(); }
};

// First match wins: the source's candidates against the sink, last first;
// then (allowConverters) the source's converters, last first; then
// (allowNewConverter) the converter registry, last first, and inside it the
// candidates, last first.
TOWLinkChoice OWDownStreamFindConnectionID(TOWSourcePin* source, TOWBasicPin* sink, bool allowConverters,
                                           bool allowNewConverter);

// The type a sink uses towards its source: among the sink's upstream
// candidates (last first) those the source accepts; preferred when it is one
// of them, otherwise the first met.
TGUID OWUpStreamFindConnectionID(TOWBasicSinkPin* sink, TOWSourcePin* source, const TGUID& preferred);

}  // namespace lumicar
