#include "pins/stored/pin_list.h"

#include <algorithm>
#include <mutex>

#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "pins/stored/stored_links.h"
#include "pins/stored/unloaded_pin.h"
#include "runtime/component.h"
#include "runtime/filer.h"
#include "runtime/sync/simple_lock_sections.h"

namespace lumicar {

namespace {

QString DefaultName(int index) { return QStringLiteral("Pin [%1]").arg(index); }

bool IsPlaceholder(const TOWBasicPin* pin) { return qobject_cast<const TOWUnloadedPin*>(pin) != nullptr; }

// Frees a pin that leaves a list: placeholders always, others when the list owns them.
void FreeLeaving(TOWBasicPin* pin, bool owns) {
  if (!pin) return;
  pin->SetPinList(nullptr);
  if (owns || IsPlaceholder(pin)) OWFreePin(pin);
}

}  // namespace

TOWPinList::TOWPinList(TComponent* owner, IOWLock* ownerLock, bool ownsPins)
    : owner_(owner), ownerLock_(ownerLock), ownsPins_(ownsPins) {
  OWNotifyPinListCreated(this);
}

TOWPinList::~TOWPinList() {
  OWNotifyPinListDestroying(this);
  std::vector<Entry> entries;
  {
    std::lock_guard guard(critSect_);
    inUnload_ = true;
    entries.swap(entries_);
    placeholderCount_ = 0;
  }
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) FreeLeaving(it->pin.data(), ownsPins_);
}

TIntf<IOWLockSection> TOWPinList::ReadLock() {
  return MakeIntf<TOWSimpleReadLockSection>(lock_->Instance(), ownerLock_.get());
}

TIntf<IOWLockSection> TOWPinList::WriteLock() {
  return MakeIntf<TOWSimpleWriteLockSection>(lock_->Instance(), ownerLock_.get());
}

void TOWPinList::PurgeFreed() {
  std::erase_if(entries_, [](const Entry& e) { return e.pin.isNull(); });
}

void TOWPinList::CleanUp() {
  std::vector<TOWBasicPin*> dropped;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    if (placeholderCount_ == 0 || inUnload_) return;
    if (owner_ && (owner_->IsLoading() || owner_->IsDesigning())) return;
    for (int i = static_cast<int>(entries_.size()) - 1; i >= 0; --i) {
      TOWBasicPin* pin = entries_[size_t(i)].pin.data();
      if (!IsPlaceholder(pin)) continue;
      dropped.push_back(pin);
      entries_.erase(entries_.begin() + i);
    }
    placeholderCount_ = 0;
    lastCount_ = -1;
  }
  // Freed outside the section: a dying placeholder unlinks the pins linked to it.
  for (TOWBasicPin* pin : dropped) FreeLeaving(pin, true);
  OWNotifyPinListChanged(this);
}

int TOWPinList::Count() {
  CleanUp();
  std::lock_guard guard(critSect_);
  return static_cast<int>(entries_.size());
}

void TOWPinList::SetCount(int n) {
  n = std::max(n, 0);
  while (Count() > n) Delete(Count() - 1);
}

TOWBasicPin* TOWPinList::Pins(int index) {
  CleanUp();
  std::lock_guard guard(critSect_);
  return index >= 0 && index < static_cast<int>(entries_.size()) ? entries_[size_t(index)].pin.data() : nullptr;
}

QString TOWPinList::Names(int index) {
  CleanUp();
  std::lock_guard guard(critSect_);
  if (index < 0 || index >= static_cast<int>(entries_.size())) return QString();
  const QString& name = entries_[size_t(index)].name;
  return name.isEmpty() ? DefaultName(index) : name;
}

QString TOWPinList::StoredName(int index) {
  CleanUp();
  std::lock_guard guard(critSect_);
  if (index < 0 || index >= static_cast<int>(entries_.size())) return QString();
  return entries_[size_t(index)].name;
}

int TOWPinList::Add(TOWBasicPin* pin) { return AddNamed(pin, QString()); }

int TOWPinList::AddNamed(TOWBasicPin* pin, const QString& name) {
  if (!pin || pin->PinList()) return -1;
  TOWUnloadedPin* replaced = nullptr;
  int index;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    index = -1;
    if (!IsPlaceholder(pin) && placeholderCount_ > 0) {
      // A real pin takes the place of the first placeholder.
      for (size_t i = 0; i < entries_.size(); ++i)
        if (IsPlaceholder(entries_[i].pin.data())) {
          index = static_cast<int>(i);
          replaced = static_cast<TOWUnloadedPin*>(entries_[i].pin.data());
          entries_[i].pin = pin;
          if (!name.isEmpty()) entries_[i].name = name == DefaultName(index) ? QString() : name;
          --placeholderCount_;
          break;
        }
    }
    if (index < 0) {
      index = static_cast<int>(entries_.size());
      entries_.push_back(Entry{name == DefaultName(index) ? QString() : name, pin});
      if (IsPlaceholder(pin)) ++placeholderCount_;
    }
    lastCount_ = -1;
  }
  pin->SetPinList(this);
  if (auto* placeholder = qobject_cast<TOWUnloadedPin*>(pin)) placeholder->SetOwnedByList(true);
  if (replaced) {
    replaced->SetPinList(nullptr);
    OWNotifyPinRemovedFromList(this, replaced, index);
    OWReplaceUnloadedPin(replaced, pin);
  }
  OWNotifyPinAddedToList(this, pin, index);
  OWNotifyPinListChanged(this);
  return index;
}

int TOWPinList::Insert(int index, TOWBasicPin* pin) { return InsertNamed(index, pin, QString()); }

int TOWPinList::InsertNamed(int index, TOWBasicPin* pin, const QString& name) {
  if (!pin || pin->PinList()) return -1;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    index = std::clamp(index, 0, static_cast<int>(entries_.size()));
    entries_.insert(entries_.begin() + index, Entry{name == DefaultName(index) ? QString() : name, pin});
    if (IsPlaceholder(pin)) ++placeholderCount_;
    lastCount_ = -1;
  }
  pin->SetPinList(this);
  if (auto* placeholder = qobject_cast<TOWUnloadedPin*>(pin)) placeholder->SetOwnedByList(true);
  OWNotifyPinAddedToList(this, pin, index);
  OWNotifyPinListChanged(this);
  return index;
}

TOWBasicPin* TOWPinList::Detach(int index) {
  TOWBasicPin* pin;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
    pin = entries_[size_t(index)].pin.data();
    entries_.erase(entries_.begin() + index);
    if (IsPlaceholder(pin)) --placeholderCount_;
    lastCount_ = -1;
  }
  if (pin) pin->SetPinList(nullptr);
  OWNotifyPinRemovedFromList(this, pin, index);
  OWNotifyPinListChanged(this);
  return pin;
}

void TOWPinList::Delete(int index) {
  if (TOWBasicPin* pin = Detach(index)) FreeLeaving(pin, ownsPins_);
}

void TOWPinList::Remove(TOWBasicPin* pin) {
  const int index = IndexOf(pin);
  if (index >= 0) Delete(index);
}

int TOWPinList::IndexOf(TOWBasicPin* pin) {
  CleanUp();
  std::lock_guard guard(critSect_);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].pin.data() == pin) return static_cast<int>(i);
  return -1;
}

void TOWPinList::Swap(int a, int b) {
  TOWBasicPin* pinA;
  TOWBasicPin* pinB;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    const int n = static_cast<int>(entries_.size());
    if (a < 0 || b < 0 || a >= n || b >= n || a == b) return;
    std::swap(entries_[size_t(a)], entries_[size_t(b)]);
    // Names equal to the default of their new index are stored empty.
    for (int i : {a, b})
      if (entries_[size_t(i)].name == DefaultName(i)) entries_[size_t(i)].name.clear();
    pinA = entries_[size_t(a)].pin.data();
    pinB = entries_[size_t(b)].pin.data();
    lastCount_ = -1;
  }
  OWNotifyPinsSwappedInList(this, pinA, a, pinB, b);
  OWNotifyPinListChanged(this);
}

void TOWPinList::Clear() {
  for (int n = Count(); n > 0; n = Count()) Delete(n - 1);
}

void TOWPinList::SetPinName(TOWBasicPin* pin, const QString& name) { SetName(IndexOf(pin), name); }

void TOWPinList::SetName(int index, const QString& name) {
  TOWBasicPin* pin;
  {
    std::lock_guard guard(critSect_);
    PurgeFreed();
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    const QString stored = name == DefaultName(index) ? QString() : name;
    if (entries_[size_t(index)].name == stored) return;
    entries_[size_t(index)].name = stored;
    pin = entries_[size_t(index)].pin.data();
    lastCount_ = -1;
  }
  if (pin) OWNotifyPinChanged(pin);
  OWNotifyPinListChanged(this);
}

QString TOWPinList::EntryPathName(const TOWBasicPin* pin, bool identForm) {
  std::lock_guard guard(critSect_);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].pin.data() != pin) continue;
    if (identForm || entries_[i].name.isEmpty()) return QStringLiteral("_Pin%1").arg(i);
    return entries_[i].name;
  }
  return QString();
}

int TOWPinList::PlaceholderCount() {
  std::lock_guard guard(critSect_);
  return placeholderCount_;
}

QString TOWPinList::StoredFormName() {
  std::lock_guard guard(critSect_);
  return storedFormName_;
}

QString TOWPinList::PropertyName() { return owner_ ? OWPropertyPath(owner_, this, true) : QString(); }

// ---- TOWPinListOwner ----

TOWPinListOwner::TOWPinListOwner(TComponent* owner, IOWLock* ownerLock, CreateProc create, DestroyProc destroy,
                                 int minimum, int maximum)
    : TOWPinList(owner, ownerLock, !destroy),
      create_(std::move(create)),
      destroy_(std::move(destroy)),
      minimum_(std::max(minimum, 0)),
      maximum_(std::max(maximum, std::max(minimum, 0))) {}

TOWPinListOwner::~TOWPinListOwner() {
  // The destroy callback gets every pin while the list still stands.
  if (destroy_)
    for (int n = Count(); n > 0; n = Count())
      if (TOWBasicPin* pin = Detach(n - 1)) destroy_(pin);
}

void TOWPinListOwner::SetLimits(int minimum, int maximum) {
  minimum_ = std::max(minimum, 0);
  maximum_ = std::max(maximum, minimum_);
  SetCount(Count());
}

void TOWPinListOwner::SetCount(int n) {
  n = std::clamp(n, minimum_, maximum_);
  while (Count() > n) {
    TOWBasicPin* pin = Detach(Count() - 1);
    if (!pin) continue;
    if (destroy_ && !qobject_cast<TOWUnloadedPin*>(pin))
      destroy_(pin);
    else
      FreeLeaving(pin, true);
  }
  if (!create_) return;
  while (Count() < n) {
    TOWBasicPin* pin = create_();
    if (!pin || Add(pin) < 0) return;
  }
}

TOWBasicPin* TOWPinListOwner::PinForReading(int index, TOWPinType type) {
  if (!create_) return TOWPinList::PinForReading(index, type);
  if (index >= maximum_) return nullptr;
  // Real pins, one per stored value.
  while (Count() <= index) {
    TOWBasicPin* pin = create_();
    if (!pin || Add(pin) < 0) return nullptr;
  }
  return Pins(index);
}

}  // namespace lumicar

// ---- Stored links of a pin list ----

namespace lumicar {

namespace {

// One stored value of "Pins".
struct TListValue {
  enum Kind { kNil, kState, kSinks, kSources, kSource } kind = kNil;
  QString stateName;
  std::vector<TOWStoredLink> links;
};

TListValue ReadListValue(TReader& reader) {
  TListValue value;
  switch (reader.NextValue()) {
    case vaNil:
      reader.ReadIdent();
      return value;
    case vaList:
      // (I 'D') or ((X A)): the source of a sink pin.
      value.kind = TListValue::kSource;
      value.links.push_back(OWReadSourceEntry(reader));
      return value;
    case vaIdent:
      break;
    default:
      reader.Error(QStringLiteral("pin link expected, found %1").arg(reader.Peek().Describe()));
  }
  if (reader.Peek().text == QLatin1String("State")) {
    reader.ReadIdent();
    value.kind = TListValue::kState;
    if (reader.NextValue() != vaList)
      reader.Error(QStringLiteral("state data expected, found %1").arg(reader.Peek().Describe()));
    reader.ReadListBegin();
    if (reader.NextValue() != vaString)
      reader.Error(QStringLiteral("state group name expected, found %1").arg(reader.Peek().Describe()));
    value.stateName = reader.ReadString();
    while (!reader.EndOfList()) reader.SkipValue();
    reader.ReadListEnd();
    if (value.stateName.isEmpty()) reader.Error(QStringLiteral("a state group needs a name"));
    return value;
  }
  if (reader.Peek().text == QLatin1String("Sinks")) {
    reader.ReadIdent();
    value.kind = TListValue::kSinks;
    value.links = OWReadSinkEntries(reader);
    return value;
  }
  if (reader.Peek().text == QLatin1String("Sources")) {
    reader.ReadIdent();
    value.kind = TListValue::kSources;
    value.links = OWReadSourceEntries(reader);
    return value;
  }
  value.kind = TListValue::kSource;
  value.links.push_back(OWReadSourceEntry(reader));
  return value;
}

}  // namespace

void TOWPinList::DefineProperties(TFiler& filer) {
  TOWObject::DefineProperties(filer);
  TComponent* root = owner_ ? OWGetMainOwnerComponent(owner_) : nullptr;
  const QString rootName = root ? root->Name() : QString();
  filer.DefineProperty(
      QStringLiteral("Form"),
      [this](TReader& r) {
        if (r.NextValue() != vaIdent) r.Error(QStringLiteral("form name expected, found %1").arg(r.Peek().Describe()));
        const QString name = r.ReadIdent();
        std::lock_guard guard(critSect_);
        storedFormName_ = name;
      },
      [rootName](TWriter& w) { w.WriteIdent(rootName); }, IsValidIdent(rootName));
  filer.DefineProperty(
      QStringLiteral("Pins"), [this](TReader& r) { ReadConnectionsData(r); },
      [this](TWriter& w) { WriteConnectionsData(w); }, DoWrite());
  // Written by older designs; the list knows by its class whether it owns pins.
  filer.DefineProperty(
      QStringLiteral("PinsOwner"), [](TReader& r) { r.ReadBoolean(); }, {}, false);
}

bool TOWPinList::DoWrite() {
  std::vector<TOWBasicPin*> pins;
  {
    std::lock_guard guard(critSect_);
    for (const Entry& e : entries_)
      if (e.pin) pins.push_back(e.pin.data());
  }
  for (TOWBasicPin* pin : pins)
    if (pin->IsConnected()) return true;
  return false;
}

TOWBasicPin* TOWPinList::PinForReading(int index, TOWPinType type) {
  for (;;) {
    {
      std::lock_guard guard(critSect_);
      PurgeFreed();
      if (index < static_cast<int>(entries_.size())) return entries_[size_t(index)].pin.data();
    }
    // A missing pin is stood in for by a placeholder named after its entry.
    TComponent* root = owner_ ? OWGetMainOwnerComponent(owner_) : nullptr;
    const QString name = QStringLiteral("%1.%2.%3._Pin%4")
                             .arg(root ? root->Name() : QString(), owner_ ? owner_->Name() : QString(), PropertyName())
                             .arg(Count());
    auto* placeholder = new TOWUnloadedPin(name, name, root, type, name);
    if (Add(placeholder) < 0) {
      OWFreePin(placeholder);
      return nullptr;
    }
  }
}

void TOWPinList::ReadConnectionsData(TReader& reader) {
  if (reader.NextValue() != vaList)
    reader.Error(QStringLiteral("list of pin links expected, found %1").arg(reader.Peek().Describe()));
  // The whole value first: a malformed one changes nothing.
  std::vector<TListValue> values;
  reader.ReadListBegin();
  while (!reader.EndOfList()) values.push_back(ReadListValue(reader));
  reader.ReadListEnd();

  TComponent* root = owner_ ? OWGetMainOwnerComponent(owner_) : nullptr;
  const QString rootName = root ? root->Name() : QString();
  const QString form = StoredFormName();
  for (int i = 0; i < static_cast<int>(values.size()); ++i) {
    TListValue& value = values[size_t(i)];
    if (value.kind == TListValue::kNil) continue;
    TOWPinType type = ptSink;
    TOWPinType targetType = ptSource;
    if (value.kind == TListValue::kSinks) {
      type = ptSource;
      targetType = ptSink;
    } else if (value.kind == TListValue::kSources) {
      type = ptMultiSink;
    } else if (value.kind == TListValue::kState) {
      type = ptState;
    }
    TOWBasicPin* pin = PinForReading(i, type);
    if (!pin) continue;
    const bool placeholder = qobject_cast<TOWUnloadedPin*>(pin) != nullptr;
    pin->CheckVirtualList();
    if (value.kind == TListValue::kState) {
      // A placeholder cannot join a group; the pin joins when it is read itself.
      if (!placeholder) pin->LinkToStateByName(value.stateName);
      continue;
    }
    for (TOWStoredLink& link : value.links) {
      OWApplyFormName(form, rootName, link);
      TOWBasicPin* after =
          link.after.isEmpty() ? nullptr : OWFindOrCreateStoredPin(pin, link.after, link.after, ptSink);
      TOWBasicPin* target = OWFindOrCreateStoredPin(pin, link.ident, link.display, targetType);
      OWLinkStored(pin, target, after);
    }
  }
}

void TOWPinList::WriteConnectionsData(TWriter& writer) {
  std::vector<TOWBasicPin*> pins;
  {
    std::lock_guard guard(critSect_);
    for (const Entry& e : entries_)
      if (e.pin) pins.push_back(e.pin.data());
  }
  writer.WriteListBegin();
  for (TOWBasicPin* pin : pins) {
    if (TOWStateDispatcherRef group = pin->Dispatcher()) {
      writer.WriteIdent(QStringLiteral("State"));
      writer.WriteListBegin();
      writer.WriteString(group->Name());
      writer.WriteListEnd();
      continue;
    }
    const std::vector<TOWStoredLink> links = OWStoredLinksOf(pin);
    if (links.empty()) {
      writer.WriteNil();
      continue;
    }
    switch (pin->GetPinType()) {
      case ptSource:
        writer.WriteIdent(QStringLiteral("Sinks"));
        writer.WriteListBegin();
        for (const TOWStoredLink& link : links) OWWriteSinkEntry(writer, link);
        writer.WriteListEnd();
        break;
      case ptMultiSink:
        writer.WriteIdent(QStringLiteral("Sources"));
        writer.WriteListBegin();
        for (const TOWStoredLink& link : links) OWWriteSourceEntry(writer, link);
        writer.WriteListEnd();
        break;
      default:
        OWWriteSourceEntry(writer, links.front());
        break;
    }
  }
  writer.WriteListEnd();
}

}  // namespace lumicar
