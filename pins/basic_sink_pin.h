#pragma once
// TOWBasicSinkPin: what sink and multi-sink pins share: the source pins of
// their component that depend on them (for loop protection and type
// propagation) and whether they take part in upstream type negotiation.

#include <vector>

#include "pins/stream_pin.h"

namespace lumicar {

class TOWSourcePin;

class TOWBasicSinkPin : public TOWStreamPin {
  Q_OBJECT
 public:
  using TOWStreamPin::TOWStreamPin;

  // Set: the pin neither narrows its source's types nor needs an upstream
  // type. A pin without own types ignores upstream as well.
  void SetIgnoreUpstream(bool ignore);
  bool IgnoreUpstreamFlag();
  bool IgnoresUpstream();

  std::vector<TOWSourcePin*> FunctionDependants();
  std::vector<TOWSourcePin*> DataTypeDependants();

  bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) override;
  HRESULT RequestInterface(const TGUID& id, void** object) override;
  void PinDeletedNotify(TOWBasicPin* pin) override;

  // ---- Type propagation ----
  // Narrowing of a source's candidates by this sink, up its chain.
  virtual void UpStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited) = 0;
  // Narrowing by this sink and by its component's data-type dependants,
  // down the chain.
  virtual void DownStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited);
  // This sink accepts id from above (and its chain above can send it).
  virtual bool UpStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) = 0;
  // This sink accepts id and the chain below its dependants accepts it too.
  virtual bool DownStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited);
  // Renegotiation: walks back to the heads of the chain.
  virtual void BackChainReconnect(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) = 0;
  // Renegotiation: recomputes the upstream type(s) and walks on forth.
  virtual void ForthChainReconnect(TOWPinVisit& visited) = 0;
  // Types for upstream traffic: own types narrowed down the chain.
  void UpStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) override;

  // Renegotiation of every chain this sink belongs to.
  void ChainRenegotiate();

 protected:
  friend class TOWFunctionSinkPinList;
  friend class TOWDataTypeSinkPinList;
  void AddDependant(std::vector<TOWSourcePin*>& list, TOWSourcePin* source);
  void RemoveDependant(std::vector<TOWSourcePin*>& list, TOWSourcePin* source);
  void ForthToDependants(TOWPinVisit& visited);

  // Guarded by the pin lock.
  std::vector<TOWSourcePin*> functionDependants_;
  std::vector<TOWSourcePin*> dataTypeDependants_;
  bool ignoreUpstream_ = false;
};

}  // namespace lumicar
