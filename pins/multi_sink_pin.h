#pragma once
// TOWMultiSinkPin: an input pin that accepts any number of source pins. Its
// upstream notifications go to every source by the same delivery loop that
// sources use downstream.

#include "pins/basic_sink_pin.h"
#include "pins/pin_entry.h"

namespace lumicar {

class TOWSourcePin;
class TOWUnloadedPin;

class TOWMultiSinkPin : public TOWBasicSinkPin {
  Q_OBJECT
 public:
  explicit TOWMultiSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWMultiSinkPin() override;

  TOWPinType GetPinType() const override { return ptMultiSink; }

  int GetSourceCount();
  TOWSourcePin* GetSource(int index);
  TOWPinEntryList GetEntries();

  // Adds a link to a source; an earlier link to the same source is replaced.
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* other) override;
  void IntDisconnect(TOWBasicPin* other) override;

  // Upstream to every source (or to one with NotifyPin).
  TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation) override;
  virtual TOWDispatchResult NotifyPin(TOWBasicPin* pin, const TIntf<IOWNotifyOperation>& operation);

  bool IsConnectedTo(TOWBasicPin* other) override;
  bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  bool IsConnectedByConverterTo(TOWBasicPin* other) override;
  int GetConnectedPinCount() override;
  TOWBasicPin* GetConnectedPin(int index) override;
  TGUID GetConnectionID(TOWBasicPin* other) override;
  TGUID GetPrimaryConnectionID() override;
  bool DirectDependsOn(TOWBasicPin* other) override;
  bool DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) override;
  void PinDeletedNotify(TOWBasicPin* pin) override;

  // A multi-sink pin never takes part in data-type propagation: it neither
  // narrows its sources' types nor lets them be narrowed through it.
  void UpStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited) override;
  bool UpStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) override;
  void BackChainReconnect(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) override;
  void ForthChainReconnect(TOWPinVisit& visited) override;

  // ---- Stored links ----
  // Adds "SourcePin": one source entry per link.
  void DefineProperties(TFiler& filer) override;
  void ReadConnectionsData(TReader& reader) override;
  void WriteConnectionsData(TWriter& writer) override;
  bool DoWrite() override;

 protected:
  void UpdateUpstream(TOWSourcePin* source);

  // Guarded by the pin lock: one entry per source (connection pin = real pin
  // = the source), with the upstream type and submit function.
  TOWPinEntryList entries_;

  // ---- Stored links ----
  // A link to a placeholder: an entry without stream type, so nothing flows.
  bool ConnectToPlaceholder(TOWUnloadedPin* placeholder, TOWBasicPin* afterPin);
};

}  // namespace lumicar
