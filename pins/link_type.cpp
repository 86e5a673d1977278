#include "pins/link_type.h"

#include <vector>

#include "pins/basic_sink_pin.h"
#include "pins/format_converter.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"

namespace lumicar {

TOWLinkChoice OWDownStreamFindConnectionID(TOWSourcePin* source, TOWBasicPin* sink, bool allowConverters,
                                           bool allowNewConverter) {
  TOWPinTypeRestricted candidates;
  source->DownStreamFillPossibleStreamTypes(candidates);
  const int n = candidates.GetLength();
  for (int i = n - 1; i >= 0; --i)
    if (sink->RequestInterface(candidates.GetID(i), nullptr) == S_OK) return {candidates.GetID(i)};

  if (allowConverters) {
    std::vector<TOWFormatConverter*> converters;
    for (int i = 0, c = source->GetConverterCount(); i < c; ++i) converters.push_back(source->GetConverter(i));
    for (auto it = converters.rbegin(); it != converters.rend(); ++it) {
      TOWFormatConverter* converter = *it;
      if (!converter || !OWDownStreamFindConnectionID(converter->OutputPin(), sink, false, false)) continue;
      const TOWLinkChoice in = OWDownStreamFindConnectionID(source, converter->InputPin(), false, false);
      if (in) return {in.id, converter, nullptr};
    }
  }

  if (allowNewConverter) {
    const auto registrations = OWGetConverterRegistrations();
    for (auto r = registrations.rbegin(); r != registrations.rend(); ++r) {
      if (!r->converterClass) continue;
      for (int i = n - 1; i >= 0; --i)
        if (r->fromId == candidates.GetID(i) && sink->RequestInterface(r->toId, nullptr) == S_OK)
          return {r->fromId, nullptr, r->converterClass};
    }
  }
  return {};
}

TGUID OWUpStreamFindConnectionID(TOWBasicSinkPin* sink, TOWSourcePin* source, const TGUID& preferred) {
  TOWPinTypeRestricted candidates;
  sink->UpStreamFillPossibleStreamTypes(candidates);
  TGUID first;
  for (int i = candidates.GetLength() - 1; i >= 0; --i) {
    const TGUID& id = candidates.GetID(i);
    if (source->RequestInterface(id, nullptr) != S_OK) continue;
    if (id == preferred) return id;
    if (first.IsNull()) first = id;
  }
  return first;
}

}  // namespace lumicar
