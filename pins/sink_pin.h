#pragma once
// TOWSinkPin: an input pin with at most one source. It remembers the pin it
// is physically linked to (the source, or a converter's output), the pin the
// user linked, and the type and submit function of its own upstream traffic,
// which goes to the user-linked source directly.

#include "pins/basic_sink_pin.h"
#include "pins/link_lock.h"

namespace lumicar {

class TOWSourcePin;
class TOWFormatConverter;
class TOWUnloadedPin;

class TOWSinkPin : public TOWBasicSinkPin {
  Q_OBJECT
 public:
  explicit TOWSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWSinkPin() override;

  TOWPinType GetPinType() const override { return ptSink; }

  // The pin dependency checks follow and upstream notifications go to: the
  // user-linked source.
  virtual TOWSourcePin* GetSourcePin();
  // The pin physically linked: the source or a converter's output.
  TOWSourcePin* GetConnectionSourcePin();
  // The converter between the source and this pin, none for a direct link.
  TOWFormatConverter* GetFormatConverter();
  // The type used for upstream traffic.
  TGUID GetConnectedStreamID();

  // Links to a source (none removes the link).
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  // Joining a group: the sink gives up its stream source and asks the members,
  // in order, to take it in (so that one puts a converter in front of it when
  // needed).
  bool ConnectToStateAfter(const TOWStateDispatcherRef& group, TOWBasicPin* afterPin) override;
  // In a state group: the group decides who introduces its state to the sink.
  void UpdateStateValue() override;
  // A source member of a group feeds this sink through a converter: source
  // becomes the sink's real source (and, unless realOnly, its connection
  // source too).
  void SetStateSource(TOWSourcePin* source, bool realOnly);
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* other) override;
  void IntDisconnect(TOWBasicPin* other) override;

  // Upstream: to the source, with the last-receiver flag.
  TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation) override;

  bool IsConnectedTo(TOWBasicPin* other) override;
  bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  bool IsConnectedByConverterTo(TOWBasicPin* other) override;
  int GetConnectedPinCount() override;
  TOWBasicPin* GetConnectedPin(int index) override;
  TOWBasicPin* GetConnectedAfterPin(int index) override;
  TGUID GetConnectionID(TOWBasicPin* other) override;
  TGUID GetPrimaryConnectionID() override;
  bool DirectDependsOn(TOWBasicPin* other) override;
  bool DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) override;
  void PinDeletedNotify(TOWBasicPin* pin) override;

  void UpStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited) override;
  bool UpStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) override;
  void BackChainReconnect(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) override;
  void ForthChainReconnect(TOWPinVisit& visited) override;

  // ---- Stored links ----
  // Adds "SourcePin" (one source entry) and "StateConverter" (read and skipped).
  void DefineProperties(TFiler& filer) override;
  void ReadConnectionsData(TReader& reader) override;
  void WriteConnectionsData(TWriter& writer) override;
  // It has a source (real or placeholder) and is in no state group.
  bool DoWrite() override;
  // The placeholder this sink is linked to, none otherwise.
  TOWUnloadedPin* GetPlaceholderSource();

 protected:
  friend class TOWSourcePin;
  friend class TOWFormatConverter;

  // Sets the in-connect flag for its lifetime: a link of this sink is being
  // made, and calls coming back into the sink meanwhile are part of it.
  class TInConnectMark {
   public:
    explicit TInConnectMark(TOWSinkPin* pin);
    ~TInConnectMark();
    TInConnectMark(const TInConnectMark&) = delete;
    TInConnectMark& operator=(const TInConnectMark&) = delete;

   private:
    TOWSinkPin* pin_;
  };

  // Removes the link to the current source, if any: the link is drained
  // first, then both of its ends go under the link-change claim.
  void RemoveSourceLink();
  // The part of a new link that changes both ends, run under the link-change
  // claim: false (nothing changed) when the sink was linked again by another
  // thread since its old link was removed.
  bool LinkUnderClaim(TOWSourcePin* source, TOWBasicPin* afterPin);
  void PrepareStateJoin() override;
  // Recomputes the upstream type and submit function towards the source,
  // preferring the type of the link (or `preferred` when given).
  void UpdateUpstream(const TGUID* preferred = nullptr);
  // A converter's output becomes the physical source (the real source stays).
  void SetConnectionSource(TOWSourcePin* source);
  // A converter's input is fed by `source` without an entry of its own.
  void AttachToConverterSource(TOWSourcePin* source, const TGUID& linkId);

  // The source (the real one, or the connection source when `connection`)
  // with a claim on the link to it taken into `claim`: it stays alive while
  // the claim is held. None without a source or while the link is removed.
  TOWSourcePin* ClaimSource(TOWLinkClaim& claim, bool connection = false);

  // Guarded by the pin lock.
  TOWSourcePin* connectionSource_ = nullptr;
  TOWSourcePin* realSource_ = nullptr;
  TOWSourcePin* internalRealSource_ = nullptr;
  TOWSubmitFunction upstreamSubmit_;
  TGUID connectedStreamId_;
  bool inConnect_ = false;
  // The lock of the link to the source (the source's entry for this sink),
  // claimed by upstream deliveries and by walks that go on into the source.
  TOWLinkLockRef upstreamLink_;
  // Held while the link of this sink changes, on both of its ends (the
  // source's DisconnectFrom takes it too).
  TOWLinkChangeGate linkChange_;

  // ---- Stored links ----
  // A link to a placeholder: the sink leaves any other link and records it
  // here (the stream source fields stay empty, so nothing flows).
  bool ConnectToPlaceholder(TOWUnloadedPin* placeholder, TOWBasicPin* afterPin);
  // Removes the link to a placeholder, if any.
  void RemovePlaceholderLink();
  // Guarded by the pin lock; never set together with a stream source.
  TOWUnloadedPin* placeholderSource_ = nullptr;
};

}  // namespace lumicar
