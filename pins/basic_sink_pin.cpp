#include "pins/basic_sink_pin.h"

#include <algorithm>

#include "pins/link_lock.h"
#include "pins/link_type.h"
#include "pins/source_pin.h"
#include "pins/stored/unloaded_pin.h"

namespace lumicar {

void TOWBasicSinkPin::SetIgnoreUpstream(bool ignore) {
  auto section = WriteLock();
  ignoreUpstream_ = ignore;
}

bool TOWBasicSinkPin::IgnoreUpstreamFlag() {
  auto section = ReadLock();
  return ignoreUpstream_;
}

bool TOWBasicSinkPin::IgnoresUpstream() { return IgnoreUpstreamFlag() || GetTypeCount() == 0; }

std::vector<TOWSourcePin*> TOWBasicSinkPin::FunctionDependants() {
  auto section = ReadLock();
  return functionDependants_;
}

std::vector<TOWSourcePin*> TOWBasicSinkPin::DataTypeDependants() {
  auto section = ReadLock();
  return dataTypeDependants_;
}

void TOWBasicSinkPin::AddDependant(std::vector<TOWSourcePin*>& list, TOWSourcePin* source) {
  auto section = WriteLock();
  if (std::find(list.begin(), list.end(), source) == list.end()) list.push_back(source);
}

void TOWBasicSinkPin::RemoveDependant(std::vector<TOWSourcePin*>& list, TOWSourcePin* source) {
  auto section = WriteLock();
  std::erase(list, source);
}

bool TOWBasicSinkPin::CanConnectToInt(TOWBasicPin* other, bool allowConverters) {
  // A placeholder for a pin not loaded yet is accepted when it accepts this pin.
  if (qobject_cast<TOWUnloadedPin*>(other)) return other->CanConnectToInt(this, allowConverters);
  if (!DesignModesMatch(other)) return false;
  if (other->GetPinType() == ptState)
    return !FindConnectionID(other).IsNull() && !other->FindConnectionID(this).IsNull();
  auto* source = qobject_cast<TOWSourcePin*>(other);
  if (!source) return false;
  const TOWLinkChoice choice = OWDownStreamFindConnectionID(source, this, allowConverters, allowConverters);
  if (!choice) return false;
  if (!IgnoresUpstream() && OWUpStreamFindConnectionID(this, source, choice.id).IsNull()) return false;
  return !source->DependsOn(this);
}

HRESULT TOWBasicSinkPin::RequestInterface(const TGUID& id, void** object) {
  TOWPinVisit visited;
  if (!DownStreamBackQueryPossybleInterface(id, visited)) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  return TOWStreamPin::RequestInterface(id, object);
}

void TOWBasicSinkPin::PinDeletedNotify(TOWBasicPin* pin) {
  TOWStreamPin::PinDeletedNotify(pin);
  auto section = WriteLock();
  std::erase_if(functionDependants_, [&](TOWSourcePin* s) { return static_cast<TOWBasicPin*>(s) == pin; });
  std::erase_if(dataTypeDependants_, [&](TOWSourcePin* s) { return static_cast<TOWBasicPin*>(s) == pin; });
}

void TOWBasicSinkPin::DownStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  list.Restrict([&](const TGUID& id) { return ImplementsStream(id); });
  for (TOWSourcePin* dependant : DataTypeDependants()) {
    const TOWPinEntryList entries = dependant->GetEntries();
    for (const auto& e : entries)
      if (auto* sink = qobject_cast<TOWBasicSinkPin*>(e.connectionPin)) {
        TOWLinkClaim link(e.link);  // the sink stays alive while the walk is in it
        if (link) sink->DownStreamBackRestrictPossibleStreamTypes(list, visited);
      }
  }
}

bool TOWBasicSinkPin::DownStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return true;
  if (!ImplementsStream(id)) return false;
  for (TOWSourcePin* dependant : DataTypeDependants())
    if (!dependant->DownStreamQueryPossybleInterface(id, visited)) return false;
  return true;
}

void TOWBasicSinkPin::UpStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) {
  static_cast<TOWPinStreamType&>(list) = GetTypes();
  TOWPinVisit visited{this};
  for (TOWSourcePin* dependant : DataTypeDependants()) {
    const TOWPinEntryList entries = dependant->GetEntries();
    for (const auto& e : entries)
      if (auto* sink = qobject_cast<TOWBasicSinkPin*>(e.connectionPin)) {
        TOWLinkClaim link(e.link);  // the sink stays alive while the walk is in it
        if (link) sink->DownStreamBackRestrictPossibleStreamTypes(list, visited);
      }
  }
}

void TOWBasicSinkPin::ChainRenegotiate() {
  std::vector<TOWSourcePin*> heads;
  TOWPinVisit back;
  BackChainReconnect(heads, back);
  TOWPinVisit forth;
  for (TOWSourcePin* head : heads) head->ForthReconnect(forth);
}

void TOWBasicSinkPin::ForthToDependants(TOWPinVisit& visited) {
  for (TOWSourcePin* dependant : DataTypeDependants()) dependant->ForthReconnect(visited);
}

}  // namespace lumicar
