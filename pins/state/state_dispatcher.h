#pragma once
// TOWStateDispatcher: the shared object of a state group. Any number of pins
// join it; what one member sends reaches every other member. Groups carry a
// name unique among the groups of their mode (design or run time), by which
// stored designs find them again.
//
// A group is held by its members (each member pin keeps a shared reference)
// and by whoever is working on it at the moment; it is freed when the last
// member has left and the last call into it has returned.

#include <QString>
#include <memory>
#include <vector>

#include "pins/link_lock.h"
#include "pins/ow_object.h"

namespace lumicar {

class TComponent;
class TOWFormatConverter;
class TOWStateDispatcher;

using TOWStateDispatcherRef = std::shared_ptr<TOWStateDispatcher>;

// One member of a group.
struct TOWDispatcherPinStorage {
  // The pin operations are handed to: the member itself, or the input pin of
  // a format converter standing in front of it.
  TOWBasicPin* connectionPin = nullptr;
  // The member as it was linked.
  TOWBasicPin* realPin = nullptr;
  // The member this one was placed after, or none.
  TOWBasicPin* afterPin = nullptr;
  // The membership's own lock: deliveries and walks to the member claim it,
  // the member's removal closes it (pins/link_lock.h).
  TOWLinkLockRef link{};
};
using TOWDispatcherPinStorageList = std::vector<TOWDispatcherPinStorage>;

class TOWStateDispatcher : public TOWPinObject, public std::enable_shared_from_this<TOWStateDispatcher> {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name)
 public:
  // Makes a group and enters it in the list of its mode. Use Create/CreateFor.
  TOWStateDispatcher(const QString& name, bool design);
  ~TOWStateDispatcher() override;

  // A group of that name in the list of that mode.
  static TOWStateDispatcherRef Create(const QString& name, bool design);
  // A group for pins on component's window: named component's name + "Link"
  // + the first free number, in component's design mode.
  static TOWStateDispatcherRef CreateFor(TComponent* component);

  // The group of that name (case-sensitive) in the list of that mode.
  static TOWStateDispatcherRef GetByName(const QString& name, bool design);
  // The same; when there is none, one made by pin's CreateNamedDispatcher.
  static TOWStateDispatcherRef GetByNameCreate(TOWBasicPin* pin, const QString& name, bool design);
  static bool IsUniqueName(const QString& name, bool design);

  QString Name() const { return name_; }
  bool IsDesign() const { return design_; }
  // The last member has left: the group is out of the lists and takes no
  // member any more, even while a reference keeps it.
  bool IsDissolved();

  // ---- Members ----
  virtual int GetPinCount();
  // The real pin of member i; none out of range.
  virtual TOWBasicPin* GetPin(int index);
  virtual TOWBasicPin* GetConnectionPin(int index);
  virtual TOWBasicPin* GetAfterPin(int index);
  // A copy of the member records, in joining order.
  TOWDispatcherPinStorageList Members();
  // pin is the real pin of a member.
  bool IsMember(TOWBasicPin* pin);
  // pin is the connection pin of a member.
  bool HasConnectionPin(TOWBasicPin* pin);

  void AddPin(TOWBasicPin* connectionPin, TOWBasicPin* realPin) { AddPinAfter(connectionPin, realPin, nullptr); }
  // Appends a member unless connectionPin is the real pin of one already.
  // Only the record: the pins' references are set by the join operations.
  virtual void AddPinAfter(TOWBasicPin* connectionPin, TOWBasicPin* realPin, TOWBasicPin* afterPin);
  // Removes the member whose real pin is pin and clears its references; a
  // group left with one member dissolves. Returns whether pin was a member.
  virtual bool RemovePin(TOWBasicPin* pin);
  // Every member leaves; the group dissolves.
  void DisconnectAll();

  // pin may be placed after afterPin: none, or a member whose chain of after
  // pins does not lead back to pin.
  bool CanConnectAfter(TOWBasicPin* pin, TOWBasicPin* afterPin, bool allowConverters = true);
  TOWBasicPin* GetConnectedAfterForPin(TOWBasicPin* pin);
  // Sets pin's after pin to the first member whose display path without root,
  // or else with root, is name.
  void SetNotifyAfterByName(TOWBasicPin* pin, const QString& name) override;
  // pin's own display path with root when it is a member, otherwise empty.
  QString GetAfterPinDisplayName(TOWBasicPin* pin) override;
  // Clears the after pins that name a dying pin.
  void PinDeletedNotify(TOWBasicPin* pin) override;

  // Who introduces the group's state to pin, a new member: the first source
  // member when there is one, otherwise every member that is not a sink.
  void NewConnection(TOWBasicPin* pin);

  // ---- Converters made for members that needed one ----
  void AddConverter(std::unique_ptr<TOWFormatConverter> converter);
  int GetConverterCount();
  TOWFormatConverter* GetConverter(int index);

  // ---- Bookkeeping for writing stored designs ----
  // Members lie on more than one window (by root name).
  bool IsCrosForm();
  // Some member lies on the window.
  bool ConnectedToForm(TComponent* form);
  void ResetFormsSave();
  // Records form once; every call is counted.
  void AddFormSaved(TComponent* form);
  bool IsFormSaved(TComponent* form);
  int SaveCount();

 private:
  // Removes the record of pin; true when there was one. Under the lock.
  bool RemoveRecord(TOWBasicPin* pin, std::vector<TOWBasicPin*>& cleared, std::vector<TOWLinkLockRef>& closed);
  // Takes the group out of both lists (under the global section).
  void LeaveLists();

  const QString name_;
  const bool design_;
  // Guarded by the lock.
  TOWDispatcherPinStorageList members_;
  std::vector<std::unique_ptr<TOWFormatConverter>> converters_;
  std::vector<TComponent*> savedForms_;
  int32_t saveCount_ = 0;
  bool dissolved_ = false;
};

// Calls f(member) for every member (in joining order) with a claim on its
// membership held: the member stays alive for the call. Members that are
// leaving are passed over.
template <typename F>
void OWForEachMember(const TOWStateDispatcherRef& group, F&& f) {
  if (!group) return;
  for (const TOWDispatcherPinStorage& m : group->Members()) {
    TOWLinkClaim claim(m.link);
    if (claim) f(m);
  }
}

// The groups of design mode when there are any, otherwise those of run time.
int OWGetDispatcherCount();
TOWStateDispatcherRef OWGetDispatcher(int index);
// The groups of both modes.
std::vector<TOWStateDispatcherRef> OWGetAllDispatchers();

}  // namespace lumicar
