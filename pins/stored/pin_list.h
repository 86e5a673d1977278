#pragma once
// TOWPinList: a variable number of pins a component exposes through one
// published property, each entry with an optional name; TOWPinListOwner makes
// and frees its pins itself through callbacks, within a minimum and maximum.

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "pins/basic_pin.h"
#include "pins/ow_object.h"

namespace lumicar {

class TComponent;
class TReader;
class TWriter;
class TOWUnloadedPin;

class TOWPinList : public TOWObject {
  Q_OBJECT
  Q_PROPERTY(int Count READ Count WRITE SetCount)
 public:
  // ownsPins: the list frees the pins it holds when they leave it or when it dies.
  explicit TOWPinList(TComponent* owner, IOWLock* ownerLock = nullptr, bool ownsPins = false);
  ~TOWPinList() override;

  TComponent* Owner() const { return owner_; }
  bool OwnsPins() const { return ownsPins_; }

  TIntf<IOWLockSection> ReadLock() override;
  TIntf<IOWLockSection> WriteLock() override;

  int Count();
  // The base only shrinks the list (it cannot make pins).
  virtual void SetCount(int n);
  TOWBasicPin* Pins(int index);
  // The entry's name, "Pin [i]" when it has none; empty out of range.
  QString Names(int index);
  // The name as stored (empty for the default name).
  QString StoredName(int index);

  // Each returns the index the pin got (-1 when refused: none, or already in a list).
  int Add(TOWBasicPin* pin);
  int AddNamed(TOWBasicPin* pin, const QString& name);
  int Insert(int index, TOWBasicPin* pin);
  int InsertNamed(int index, TOWBasicPin* pin, const QString& name);
  // Removes the entry (freeing its pin when the list owns it).
  void Delete(int index);
  void Remove(TOWBasicPin* pin);
  int IndexOf(TOWBasicPin* pin);
  void Swap(int a, int b);
  void Clear();
  void SetPinName(TOWBasicPin* pin, const QString& name);
  // A name equal to the default name of its index is stored as empty.
  void SetName(int index, const QString& name);

  // The entry name in pin paths: its name, or "_Pin<i>" (always in the
  // identifier form); empty when the pin is not in the list. No clean-up.
  QString EntryPathName(const TOWBasicPin* pin, bool identForm);
  // Placeholders standing for missing pins.
  int PlaceholderCount();
  QString StoredFormName();

  // ---- Stored links ----
  void DefineProperties(TFiler& filer) override;
  virtual void ReadConnectionsData(TReader& reader);
  virtual void WriteConnectionsData(TWriter& writer);
  // Some pin of the list has a link.
  virtual bool DoWrite();

 protected:
  // The pin for stored value i while reading "Pins"; none when there is none
  // and no placeholder should stand in.
  virtual TOWBasicPin* PinForReading(int index, TOWPinType type);
  // Drops placeholders (from the end) unless the owner is loading or designing.
  void CleanUp();
  // Takes the entry at index out of the list without freeing its pin.
  TOWBasicPin* Detach(int index);
  // Name of the published property of the owner that holds this list.
  QString PropertyName();

  // A pin freed by its component while in the list (the list does not own
  // it) leaves a null entry behind, which the next access drops.
  struct Entry {
    QString name;
    QPointer<TOWBasicPin> pin;
  };
  // Drops entries of freed pins. Under critSect_.
  void PurgeFreed();

  TComponent* owner_;
  TIntf<IOWLock> ownerLock_;
  // Guarded by critSect_ (never held while calling out).
  std::vector<Entry> entries_;
  bool ownsPins_;
  int lastCount_ = -1;
  int32_t placeholderCount_ = 0;
  QString storedFormName_;
  bool inUnload_ = false;
};

class TOWPinListOwner : public TOWPinList {
  Q_OBJECT
 public:
  using CreateProc = std::function<TOWBasicPin*()>;
  using DestroyProc = std::function<void(TOWBasicPin*)>;

  // Owns its pins unless a destroy callback frees them.
  TOWPinListOwner(TComponent* owner, IOWLock* ownerLock, CreateProc create, DestroyProc destroy, int minimum = 0,
                  int maximum = 0x7FFFFFFF);
  ~TOWPinListOwner() override;

  // Clamps n to [minimum, maximum]; removes pins from the end (the destroy
  // callback for each) while there are more, then creates pins until there are n.
  void SetCount(int n) override;
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  void SetLimits(int minimum, int maximum);

 protected:
  TOWBasicPin* PinForReading(int index, TOWPinType type) override;

 private:
  CreateProc create_;
  DestroyProc destroy_;
  int32_t minimum_;
  int32_t maximum_;
};

}  // namespace lumicar
