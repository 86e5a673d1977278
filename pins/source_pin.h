#pragma once
// TOWSourcePin: an output pin. It feeds any number of sink and multi-sink
// pins, each link with its own stream type (picked by the link rules, through
// a format converter when the two sides share no type), and delivers every
// operation sent into it to all of them, synchronously and in an order that
// adapts to receivers that change the data.

#include <memory>
#include <vector>

#include "pins/pin_entry.h"
#include "pins/sink_pin_list.h"
#include "pins/stream_pin.h"

namespace lumicar {

class TOWFormatConverter;
class TOWBasicSinkPin;

class TOWSourcePin : public TOWStreamPin {
  Q_OBJECT
 public:
  explicit TOWSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWSourcePin() override;

  TOWPinType GetPinType() const override { return ptSource; }

  // ---- Links ----
  int GetSinkCount();
  // The real (user-linked) pin of link i, none out of range.
  TOWBasicPin* GetSink(int index);
  int GetConverterCount();
  TOWFormatConverter* GetConverter(int index);
  // A copy of the link entries, in delivery order.
  TOWPinEntryList GetEntries();
  // The lock of the link to sink (pins/link_lock.h), none when not linked.
  TOWLinkLockRef GetLinkLock(TOWBasicPin* sink);

  // Sinks of the same component this output depends on (loop protection).
  TOWFunctionSinkPinList& FunctionSinkPins() { return functionSinks_; }
  // Sinks of the same component whose incoming type decides the outgoing one.
  TOWDataTypeSinkPinList& DataTypeSinkPins() { return dataTypeSinks_; }

  // Checks CanConnectAfter and hands over to the sink's ConnectAfter.
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  // Links without the after-pin check (used while links are read).
  virtual bool IntConnectAfter(TOWBasicPin* sink, TOWBasicPin* afterPin);
  bool CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters = true) override;
  bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) override;
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* other) override;
  void IntDisconnect(TOWBasicPin* other) override;
  // The source side of a new link: an entry for sink after afterPin, its type
  // and, when needed, a format converter in between.
  bool IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) override;

  // Sends a bare operation with the connection-notice and last-receiver
  // flags to one linked sink: the first notification of a new or changed link.
  virtual void NewConnection(TOWBasicPin* sink);
  // In a state group: a connection notice to every other member.
  void UpdateStateValue() override;

  // ---- Delivery downstream ----
  TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation) override;
  // To that one linked pin only, or to all when pin is none.
  virtual TOWDispatchResult NotifyPin(TOWBasicPin* pin, const TIntf<IOWNotifyOperation>& operation);

  // ---- Queries ----
  bool IsConnectedTo(TOWBasicPin* other) override;
  bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  bool IsConnectedByConverterTo(TOWBasicPin* other) override;
  int GetConnectedPinCount() override;
  TOWBasicPin* GetConnectedPin(int index) override;
  TOWBasicPin* GetConnectedAfterPin(int index) override;
  TOWBasicPin* GetConnectedAfterForPin(TOWBasicPin* pin) override;
  TGUID GetConnectionID(TOWBasicPin* other) override;
  TGUID GetPrimaryConnectionID() override;
  bool DirectDependsOn(TOWBasicPin* other) override;
  bool DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) override;
  HRESULT RequestInterface(const TGUID& id, void** object) override;

  void PinDeletedNotify(TOWBasicPin* pin) override;
  void SetNotifyAfterByName(TOWBasicPin* pin, const QString& name) override;
  QString GetAfterPinDisplayName(TOWBasicPin* pin) override;

  // ---- Type propagation ----
  void DownStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) override;
  bool DownStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) override;
  bool UpStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) override;
  void BackPopulateStreamChains(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) override;
  // Narrows list to what this source can send, walking up its chain.
  void RestrictToPossible(TOWPinTypeRestricted& list, TOWPinVisit& visited);
  // Renegotiation forth from this source: recomputes the type of each link,
  // announces changed ones, and passes the walk on down the chain.
  void ForthReconnect(TOWPinVisit& visited);

  // ---- Stored links ----
  // Adds "SinkPins": one entry per link, in link order.
  void DefineProperties(TFiler& filer) override;
  void ReadConnectionsData(TReader& reader) override;
  void WriteConnectionsData(TWriter& writer) override;
  bool DoWrite() override;
  // After pins that name the placeholder name the real pin from now on.
  void PinReplacedNotify(TOWBasicPin* oldPin, TOWBasicPin* newPin) override;

 protected:
  // Called just before the link to `other` closes for an unlink, while
  // deliveries over it still pass: a stream that tells an unlinked sink of
  // its end (a stop) sends it here. It may be called more than once for one
  // unlink; once the link is closed nothing more reaches the sink.
  virtual void BeforeUnlink(TOWBasicPin* other);
  friend class TOWBasicSinkPin;
  friend class TOWSinkPin;
  friend class TOWMultiSinkPin;

  // Links a converter's output to the sink that the converter serves.
  bool LinkFromConverter(TOWBasicPin* sink, TOWBasicPin* afterPin);
  bool IntConnectTyped(TOWBasicPin* sink, TOWBasicPin* afterPin, bool allowConverters);

  // Guarded by the pin lock.
  TOWPinEntryList entries_;
  std::vector<std::unique_ptr<TOWFormatConverter>> converters_;
  TOWFunctionSinkPinList functionSinks_{this};
  TOWDataTypeSinkPinList dataTypeSinks_{this};
};

}  // namespace lumicar
