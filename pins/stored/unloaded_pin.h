#pragma once
// TOWUnloadedPin: a placeholder for a pin named by a stored link whose pin is
// not loaded yet. It accepts every link, carries no stream type (nothing is
// ever delivered through it) and hands its links over when the real pin loads.

#include <QPointer>
#include <QString>
#include <vector>

#include "pins/basic_pin.h"
#include "pins/pin_entry.h"

namespace lumicar {

class TOWUnloadedPin : public TOWBasicPin {
  Q_OBJECT
 public:
  // displayName and identName are full paths with root ("Form1.VLMirror1.InputPin").
  // root: the window the pin belongs to, none when its root name is not the
  // window being loaded. creatorPath: the path of the pin whose stored link
  // made the placeholder.
  TOWUnloadedPin(const QString& displayName, const QString& identName, TComponent* root, TOWPinType type,
                 const QString& creatorPath);
  ~TOWUnloadedPin() override;

  // Makes a placeholder and enters it in the placeholder list, which owns it.
  static TOWUnloadedPin* Create(const QString& displayName, const QString& identName, TComponent* root, TOWPinType type,
                                const QString& creatorPath);

  QString DisplayName() const { return displayName_; }
  QString IdentName() const { return identName_; }
  QString CreatorPath() const { return creatorPath_; }
  bool RootDesigning() const { return rootDesigning_; }

  // Owned by a pin list (which then frees it) rather than by the placeholder list.
  bool OwnedByList();
  void SetOwnedByList(bool owned);
  // Set while the placeholder is being replaced by its real pin: no self-freeing.
  bool InRemoval();
  void SetInRemoval(bool inRemoval);
  // The pins linked to it (real pin and after pin of each), in link order.
  TOWPinEntryList Links();

  // Frees the placeholder when it is in the placeholder list, not in a pin
  // list, not in an editor, not being replaced, and nothing is linked to it.
  void CheckRemove() override;
  void PinDeletedNotify(TOWBasicPin* pin) override;
  void PinReplacedNotify(TOWBasicPin* oldPin, TOWBasicPin* newPin) override;

  TOWPinType GetPinType() const override { return type_; }
  bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) override;
  bool IsCompatible(TOWBasicPin* other) override;
  TGUID FindConnectionID(TOWBasicPin* other) override;
  bool DependsOn(TOWBasicPin* other) override;
  bool OwnerInDesigning() override { return rootDesigning_; }
  TOWDispatchResult NotifyDispatcher(IOWNotifyOperation* operation, TOWNotifyState state, TOWBasicPin* target) override;
  TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation) override;

  // Links are recorded on both sides: a source adds an entry without stream
  // type, a sink takes the placeholder as its source.
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  bool IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  void IntDisconnect(TOWBasicPin* other) override;
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* other) override;

  bool IsConnectedTo(TOWBasicPin* other) override;
  bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  int GetConnectedPinCount() override;
  TOWBasicPin* GetConnectedPin(int index) override;
  TOWBasicPin* GetConnectedAfterPin(int index) override;
  TOWBasicPin* GetConnectedAfterForPin(TOWBasicPin* pin) override;
  void SetInEditor(bool inEditor) override;

  // Names come from the stored paths.
  QString GetRootName() override;
  TComponent* GetRoot() override;
  QString GetName() override;
  QString GetSaveName() override;
  QString GetOwnerName() override;
  QString GetFullName(bool withRoot) override;
  QString GetFullIdentName(bool withRoot) override;

 private:
  const QString displayName_;
  const QString identName_;
  QPointer<TComponent> root_;
  const TOWPinType type_;
  const bool rootDesigning_;
  // Guarded by the object lock.
  TOWPinEntryList links_;
  const QString creatorPath_;
  bool ownedByList_ = false;
  bool inRemoval_ = false;
};

// ---- The placeholder list (guarded by OWGlobalSection) ----
int OWGetUnloadedPinCount();
std::vector<TOWUnloadedPin*> OWGetUnloadedPinsSnapshot();
// Takes a placeholder out of the list (the caller then owns it).
void OWRemoveUnloadedPin(TOWUnloadedPin* pin);
// Puts a placeholder back under the list's ownership.
void OWAddUnloadedPin(TOWUnloadedPin* pin);
bool OWIsUnloadedPinListed(const TOWUnloadedPin* pin);
// A link that named `after` as its after pin is gone: when `after` is a
// placeholder of the list that nothing links to or names any more, it goes.
void OWCheckAfterPlaceholder(TOWBasicPin* after);

// The path of a pin without its first component ("Form1.A.B" → "A.B").
QString OWStripFirstComponent(const QString& path);

}  // namespace lumicar
