// The stored pin properties ("Form", "State", "SinkPins", "SourcePin",
// "StateConverter") of the pin classes, and the links of sinks to placeholders.

#include <mutex>

#include "pins/multi_sink_pin.h"
#include "pins/pin.h"
#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "pins/stored/stored_links.h"
#include "pins/stored/unloaded_pin.h"
#include "runtime/component.h"
#include "runtime/filer.h"

namespace lumicar {

namespace {

// Reads every entry first, so that a malformed value changes no link, then
// links `pin` to each named pin (made as a placeholder when missing).
void LinkStoredEntries(TOWBasicPin* pin, std::vector<TOWStoredLink> links, TOWPinType targetType) {
  const QString form = pin->StoredFormName();
  const QString root = pin->GetRootName();
  for (TOWStoredLink& link : links) {
    OWApplyFormName(form, root, link);
    TOWBasicPin* after = link.after.isEmpty() ? nullptr : OWFindOrCreateStoredPin(pin, link.after, link.after, ptSink);
    TOWBasicPin* target = OWFindOrCreateStoredPin(pin, link.ident, link.display, targetType);
    OWLinkStored(pin, target, after);
    // A placeholder made for the after pin of a link that was not made (or
    // that does not keep it) is named by nothing: it goes at once.
    if (after != target) OWCheckAfterPlaceholder(after);
  }
}

}  // namespace

// ---- TOWPin ----

void TOWPin::DefineProperties(TFiler& filer) {
  TOWBasicPin::DefineProperties(filer);
  filer.DefineProperty(
      QStringLiteral("Form"), [this](TReader& r) { ReadFormName(r); }, [this](TWriter& w) { WriteFormName(w); },
      DoFormWrite());
  filer.DefineProperty(
      QStringLiteral("State"), [this](TReader& r) { ReadStateConnectionsData(r); },
      [this](TWriter& w) { WriteStateConnectionsData(w); }, DoStateWrite());
}

void TOWPin::ReadConnectionsData(TReader& reader) { reader.SkipValue(); }

void TOWPin::WriteConnectionsData(TWriter& writer) { writer.WriteNil(); }

bool TOWPin::DoWrite() { return false; }

bool TOWPin::DoStateWrite() { return Dispatcher() != nullptr; }

bool TOWPin::DoFormWrite() {
  if (!DoWrite() && !DoStateWrite()) return false;
  const QString root = GetRootName();
  return !root.isEmpty() && IsValidIdent(root);
}

void TOWPin::ReadFormName(TReader& reader) {
  if (reader.NextValue() != vaIdent)
    reader.Error(QStringLiteral("form name expected, found %1").arg(reader.Peek().Describe()));
  SetStoredFormName(reader.ReadIdent());
}

void TOWPin::WriteFormName(TWriter& writer) { writer.WriteIdent(GetRootName()); }

void TOWPin::ReadStateConnectionsData(TReader& reader) {
  QString name;
  switch (reader.NextValue()) {
    case vaString:
      name = reader.ReadString();
      break;
    case vaList:
      reader.ReadListBegin();
      if (reader.NextValue() != vaString)
        reader.Error(QStringLiteral("state group name expected, found %1").arg(reader.Peek().Describe()));
      name = reader.ReadString();
      // The member descriptions that may follow are not needed to join.
      while (!reader.EndOfList()) reader.SkipValue();
      reader.ReadListEnd();
      break;
    default:
      reader.Error(QStringLiteral("state group name expected, found %1").arg(reader.Peek().Describe()));
  }
  if (name.isEmpty()) reader.Error(QStringLiteral("a state group needs a name"));
  CheckVirtualList();
  LinkToStateByName(name);
}

void TOWPin::WriteStateConnectionsData(TWriter& writer) {
  const TOWStateDispatcherRef group = Dispatcher();
  writer.WriteString(group ? group->Name() : QString());
}

bool TOWPin::TryLinkTo(TComponent* component, const QString& path) {
  if (!component || path.isEmpty()) return false;
  TComponent* root = OWGetMainOwnerComponent(component);
  TOWBasicPin* found = nullptr;
  {
    std::lock_guard global(OWGlobalSection());
    for (TOWBasicPin* pin : OWGetPinsSnapshot()) {
      if (pin == this || pin->IsPinDestroying()) continue;
      if (pin->GetFullName(true) == path || pin->GetFullIdentName(true) == path ||
          (pin->GetRoot() == root && (pin->GetFullName(false) == path || pin->GetFullIdentName(false) == path))) {
        found = pin;
        break;
      }
    }
  }
  return found && Connect(found) && IsConnectedTo(found);
}

// ---- TOWSourcePin ----

void TOWSourcePin::DefineProperties(TFiler& filer) {
  TOWStreamPin::DefineProperties(filer);
  filer.DefineProperty(
      QStringLiteral("SinkPins"), [this](TReader& r) { ReadConnectionsData(r); },
      [this](TWriter& w) { WriteConnectionsData(w); }, DoWrite());
}

void TOWSourcePin::ReadConnectionsData(TReader& reader) {
  CheckVirtualList();
  LinkStoredEntries(this, OWReadSinkEntries(reader), ptSink);
}

void TOWSourcePin::WriteConnectionsData(TWriter& writer) {
  writer.WriteListBegin();
  for (const TOWStoredLink& link : OWStoredLinksOf(this)) OWWriteSinkEntry(writer, link);
  writer.WriteListEnd();
}

bool TOWSourcePin::DoWrite() { return !OWStoredLinksOf(this).empty(); }

void TOWSourcePin::PinReplacedNotify(TOWBasicPin* oldPin, TOWBasicPin* newPin) {
  TOWStreamPin::PinReplacedNotify(oldPin, newPin);
  auto section = WriteLock();
  for (auto& e : entries_)
    if (e.afterPin == oldPin) e.afterPin = newPin;
}

// ---- TOWSinkPin ----

void TOWSinkPin::DefineProperties(TFiler& filer) {
  TOWBasicSinkPin::DefineProperties(filer);
  filer.DefineProperty(
      QStringLiteral("SourcePin"), [this](TReader& r) { ReadConnectionsData(r); },
      [this](TWriter& w) { WriteConnectionsData(w); }, DoWrite());
  // Describes a link to a state group through a converter; such links are
  // made again by joining the group, so the value is only skipped.
  filer.DefineProperty(
      QStringLiteral("StateConverter"), [](TReader& r) { r.SkipValue(); }, {}, false);
}

void TOWSinkPin::ReadConnectionsData(TReader& reader) {
  CheckVirtualList();
  LinkStoredEntries(this, {OWReadSourceEntry(reader)}, ptSource);
}

void TOWSinkPin::WriteConnectionsData(TWriter& writer) {
  const std::vector<TOWStoredLink> links = OWStoredLinksOf(this);
  if (links.empty())
    writer.WriteNil();
  else
    OWWriteSourceEntry(writer, links.front());
}

bool TOWSinkPin::DoWrite() { return !Dispatcher() && !OWStoredLinksOf(this).empty(); }

TOWUnloadedPin* TOWSinkPin::GetPlaceholderSource() {
  auto section = ReadLock();
  return placeholderSource_;
}

bool TOWSinkPin::ConnectToPlaceholder(TOWUnloadedPin* placeholder, TOWBasicPin* afterPin) {
  if (GetPlaceholderSource() == placeholder) {
    placeholder->IntConnect(this, afterPin);
    return true;
  }
  // The sink leaves every other link first.
  if (Dispatcher()) StateDisconnect();
  RemoveSourceLink();
  {
    auto section = WriteLock();
    placeholderSource_ = placeholder;
  }
  placeholder->IntConnect(this, afterPin);
  OWNotifyPinConnected(this, placeholder);
  OWNotifyPinChanged(this);
  return true;
}

void TOWSinkPin::RemovePlaceholderLink() {
  TOWUnloadedPin* placeholder;
  {
    auto section = WriteLock();
    placeholder = placeholderSource_;
    placeholderSource_ = nullptr;
  }
  if (!placeholder) return;
  placeholder->IntDisconnect(this);
  OWNotifyPinDisconnected(this, placeholder);
  OWNotifyPinChanged(this);
  // May free the placeholder: nothing of it is used afterwards.
  placeholder->CheckRemove();
}

// ---- TOWMultiSinkPin ----

void TOWMultiSinkPin::DefineProperties(TFiler& filer) {
  TOWBasicSinkPin::DefineProperties(filer);
  filer.DefineProperty(
      QStringLiteral("SourcePin"), [this](TReader& r) { ReadConnectionsData(r); },
      [this](TWriter& w) { WriteConnectionsData(w); }, DoWrite());
}

void TOWMultiSinkPin::ReadConnectionsData(TReader& reader) {
  CheckVirtualList();
  LinkStoredEntries(this, OWReadSourceEntries(reader), ptSource);
}

void TOWMultiSinkPin::WriteConnectionsData(TWriter& writer) {
  writer.WriteListBegin();
  for (const TOWStoredLink& link : OWStoredLinksOf(this)) OWWriteSourceEntry(writer, link);
  writer.WriteListEnd();
}

bool TOWMultiSinkPin::DoWrite() { return !OWStoredLinksOf(this).empty(); }

bool TOWMultiSinkPin::ConnectToPlaceholder(TOWUnloadedPin* placeholder, TOWBasicPin* afterPin) {
  bool linked;
  {
    auto section = ReadLock();
    linked = entries_.IndexOfReal(placeholder) >= 0;
  }
  if (!linked) {
    if (Dispatcher()) StateDisconnect();
    auto section = WriteLock();
    entries_.Add(TOWPinEntry{placeholder, placeholder, nullptr, TGUID{}, TOWSubmitFunction{}, 0, OWNewLinkLock()});
  }
  placeholder->IntConnect(this, afterPin);
  if (!linked) {
    OWNotifyPinConnected(this, placeholder);
    OWNotifyPinChanged(this);
  }
  return true;
}

}  // namespace lumicar
