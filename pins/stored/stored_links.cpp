#include "pins/stored/stored_links.h"

#include <QMetaProperty>
#include <algorithm>
#include <mutex>

#include "pins/multi_sink_pin.h"
#include "pins/pin_registry.h"
#include "pins/pins_log.h"
#include "pins/source_pin.h"
#include "pins/stored/pin_list.h"
#include "pins/stored/unloaded_pin.h"
#include "runtime/component.h"
#include "runtime/filer.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

QString Describe(TReader& reader) { return reader.Peek().Describe(); }

// A path that reads back as one identifier (and not as True, False, nil or Null).
bool IsStorablePath(const QString& path) {
  if (path.isEmpty()) return false;
  for (const char* word : {"True", "False", "nil", "Null"})
    if (path.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) return false;
  const QStringList parts = path.split(QLatin1Char('.'));
  return std::all_of(parts.begin(), parts.end(), [](const QString& p) { return IsValidIdent(p); });
}

QString ReadPath(TReader& reader, const char* what) {
  if (reader.NextValue() != vaIdent)
    reader.Error(QStringLiteral("%1 expected, found %2").arg(QLatin1String(what), Describe(reader)));
  return reader.ReadIdent();
}

QString ReadDisplay(TReader& reader) {
  if (reader.NextValue() != vaString)
    reader.Error(QStringLiteral("pin display name expected, found %1").arg(Describe(reader)));
  return reader.ReadString();
}

void Complete(TOWStoredLink& link) {
  if (link.display.isEmpty()) link.display = link.ident;
}

// X of a source entry: I or (I 'D').
void ReadSourceName(TReader& reader, TOWStoredLink& link) {
  if (reader.NextValue() == vaList) {
    reader.ReadListBegin();
    link.ident = ReadPath(reader, "pin path");
    link.display = ReadDisplay(reader);
    reader.ReadListEnd();
  } else {
    link.ident = ReadPath(reader, "pin path");
  }
}

void WriteSourceName(TWriter& writer, const TOWStoredLink& link) {
  if (link.display == link.ident) {
    writer.WriteIdent(link.ident);
    return;
  }
  writer.WriteListBegin();
  writer.WriteIdent(link.ident);
  writer.WriteString(link.display);
  writer.WriteListEnd();
}

template <typename F>
std::vector<TOWStoredLink> ReadEntries(TReader& reader, F&& readOne) {
  if (reader.NextValue() != vaList)
    reader.Error(QStringLiteral("list of pin links expected, found %1").arg(Describe(reader)));
  reader.ReadListBegin();
  if (reader.EndOfList()) reader.Error(QStringLiteral("at least one pin link expected"));
  std::vector<TOWStoredLink> links;
  while (!reader.EndOfList()) links.push_back(readOne(reader));
  reader.ReadListEnd();
  return links;
}

}  // namespace

// ---- Entry shapes ----

TOWStoredLink OWReadSinkEntry(TReader& reader) {
  TOWStoredLink link;
  switch (reader.NextValue()) {
    case vaIdent:
      link.ident = reader.ReadIdent();
      break;
    case vaList:
      reader.ReadListBegin();
      link.ident = ReadPath(reader, "pin path");
      if (!reader.EndOfList() && reader.NextValue() == vaIdent) link.after = reader.ReadIdent();
      if (!reader.EndOfList()) link.display = ReadDisplay(reader);
      reader.ReadListEnd();
      break;
    default:
      reader.Error(QStringLiteral("sink pin link expected, found %1").arg(Describe(reader)));
  }
  Complete(link);
  return link;
}

TOWStoredLink OWReadSourceEntry(TReader& reader) {
  TOWStoredLink link;
  switch (reader.NextValue()) {
    case vaIdent:
      link.ident = reader.ReadIdent();
      break;
    case vaList:
      reader.ReadListBegin();
      if (reader.NextValue() == vaList) {
        // ((X A)): the link has an after pin.
        reader.ReadListBegin();
        ReadSourceName(reader, link);
        link.after = ReadPath(reader, "after pin path");
        reader.ReadListEnd();
      } else {
        link.ident = ReadPath(reader, "pin path");
        link.display = ReadDisplay(reader);
      }
      reader.ReadListEnd();
      break;
    default:
      reader.Error(QStringLiteral("source pin link expected, found %1").arg(Describe(reader)));
  }
  Complete(link);
  return link;
}

std::vector<TOWStoredLink> OWReadSinkEntries(TReader& reader) { return ReadEntries(reader, OWReadSinkEntry); }

std::vector<TOWStoredLink> OWReadSourceEntries(TReader& reader) { return ReadEntries(reader, OWReadSourceEntry); }

void OWWriteSinkEntry(TWriter& writer, const TOWStoredLink& link) {
  const bool sameDisplay = link.display == link.ident;
  if (link.after.isEmpty() && sameDisplay) {
    writer.WriteIdent(link.ident);
    return;
  }
  writer.WriteListBegin();
  writer.WriteIdent(link.ident);
  if (!link.after.isEmpty()) writer.WriteIdent(link.after);
  // The writer has one string form; long display names are written the same way.
  if (!sameDisplay) writer.WriteString(link.display);
  writer.WriteListEnd();
}

void OWWriteSourceEntry(TWriter& writer, const TOWStoredLink& link) {
  if (link.after.isEmpty()) {
    WriteSourceName(writer, link);
    return;
  }
  writer.WriteListBegin();
  writer.WriteListBegin();
  WriteSourceName(writer, link);
  writer.WriteIdent(link.after);
  writer.WriteListEnd();
  writer.WriteListEnd();
}

bool OWMakeStoredLink(TOWBasicPin* other, TOWBasicPin* afterPin, TOWStoredLink& link) {
  if (!other) return false;
  link.ident = other->GetFullIdentName(true);
  if (!IsStorablePath(link.ident)) return false;
  link.display = other->GetFullName(true);
  if (link.display.isEmpty()) link.display = link.ident;
  link.after = afterPin ? afterPin->GetFullIdentName(true) : QString();
  // An after pin that cannot be named is left out rather than losing the link.
  if (!link.after.isEmpty() && !IsStorablePath(link.after)) link.after.clear();
  return true;
}

std::vector<TOWStoredLink> OWStoredLinksOf(TOWBasicPin* pin) {
  std::vector<TOWStoredLink> links;
  if (!pin) return links;
  // The side that keeps the after pins: a source, or a placeholder (which
  // records the after pin of every link made to it).
  const bool keepsAfter = pin->GetPinType() == ptSource || qobject_cast<TOWUnloadedPin*>(pin);
  // A multi-sink's links to placeholders are in its entries only.
  std::vector<TOWBasicPin*> others;
  if (auto* multi = qobject_cast<TOWMultiSinkPin*>(pin)) {
    for (const TOWPinEntry& e : multi->GetEntries()) others.push_back(e.realPin);
  } else {
    const int n = pin->GetConnectedPinCount();
    for (int i = 0; i < n; ++i) others.push_back(pin->GetConnectedPin(i));
  }
  for (int i = 0; i < static_cast<int>(others.size()); ++i) {
    TOWBasicPin* other = others[size_t(i)];
    if (!other) continue;
    TOWBasicPin* after = keepsAfter ? pin->GetConnectedAfterPin(i) : other->GetConnectedAfterForPin(pin);
    TOWStoredLink link;
    if (OWMakeStoredLink(other, after, link)) links.push_back(link);
  }
  return links;
}

// ---- Name correction ----

QString OWApplyFormName(const QString& storedForm, const QString& currentRoot, const QString& path) {
  if (storedForm.isEmpty() || currentRoot.isEmpty()) return path;
  const QString prefix = storedForm + QLatin1Char('.');
  if (!path.startsWith(prefix)) return path;
  return currentRoot + QLatin1Char('.') + path.mid(prefix.size());
}

void OWApplyFormName(const QString& storedForm, const QString& currentRoot, TOWStoredLink& link) {
  link.ident = OWApplyFormName(storedForm, currentRoot, link.ident);
  link.display = OWApplyFormName(storedForm, currentRoot, link.display);
  link.after = OWApplyFormName(storedForm, currentRoot, link.after);
}

QString TOWBasicPin::ApplyFormName(const QString& path) {
  return OWApplyFormName(StoredFormName(), GetRootName(), path);
}

// ---- Finding pins ----

TOWBasicPin* OWFindStoredPin(TOWBasicPin* reader, const QString& ident, const QString& display) {
  if (!reader || ident.isEmpty()) return nullptr;
  TComponent* root = reader->GetRoot();
  const QString rootName = reader->GetRootName();
  const QString identWithoutFirst = OWStripFirstComponent(ident);
  std::lock_guard global(OWGlobalSection());
  const std::vector<TOWBasicPin*> pins = OWGetPinsSnapshot();
  // By identifier path.
  for (TOWBasicPin* pin : pins) {
    if (pin->IsPinDestroying()) continue;
    if (pin->GetRoot() != root) {
      // A pin of another window matches only by its full path, and only when
      // that window does not carry the name of the one being loaded.
      if (pin->GetRootName() != rootName && pin->GetFullIdentName(true) == ident) return pin;
      continue;
    }
    const QString withoutRoot = pin->GetFullIdentName(false);
    if (withoutRoot == ident || withoutRoot == identWithoutFirst || pin->GetFullIdentName(true) == ident) return pin;
  }
  // By display path, among pins of the same window or of none.
  for (TOWBasicPin* pin : pins) {
    if (pin->IsPinDestroying()) continue;
    TComponent* pinRoot = pin->GetRoot();
    if (pinRoot && pinRoot != root) continue;
    if (pin->GetFullName(false) == display || pin->GetFullName(true) == display) return pin;
  }
  return nullptr;
}

TOWBasicPin* OWFindOrCreateStoredPin(TOWBasicPin* reader, const QString& ident, const QString& display,
                                     TOWPinType type) {
  if (!reader || ident.isEmpty()) return nullptr;
  std::lock_guard global(OWGlobalSection());
  if (TOWBasicPin* pin = OWFindStoredPin(reader, ident, display)) return pin;
  TComponent* root = reader->GetRoot();
  const bool ownWindow = root && ident.section(QLatin1Char('.'), 0, 0) == reader->GetRootName();
  return TOWUnloadedPin::Create(display.isEmpty() ? ident : display, ident, ownWindow ? root : nullptr, type,
                                reader->GetFullName(true));
}

bool OWLinkStored(TOWBasicPin* pin, TOWBasicPin* target, TOWBasicPin* afterPin) {
  if (!pin || !target || pin == target) return false;
  if (afterPin == pin || afterPin == target) afterPin = nullptr;
  // A source links without the after-pin check: the after pin may be loaded later.
  if (auto* source = qobject_cast<TOWSourcePin*>(pin)) {
    // A source feeds sinks only: a stored name of another source (or a
    // state pin) is no link, and asking that pin would hand the question back.
    const TOWPinType type = target->GetPinType();
    if (type != ptSink && type != ptMultiSink) return false;
    return source->IntConnectAfter(target, afterPin);
  }
  return pin->ConnectAfter(target, afterPin);
}

// ---- Placeholders ----

void OWReplaceUnloadedPin(TOWUnloadedPin* placeholder, TOWBasicPin* pin) {
  if (!placeholder || !pin || placeholder == pin) return;
  placeholder->SetInRemoval(true);
  {
    std::lock_guard global(OWGlobalSection());
    for (TOWBasicPin* other : OWGetPinsSnapshot())
      if (other != placeholder && OWIsPinRegistered(other)) other->PinReplacedNotify(placeholder, pin);
  }
  const TOWPinEntryList links = placeholder->Links();
  for (int i = links.Count() - 1; i >= 0; --i) {
    TOWBasicPin* other = links[i].realPin;
    if (!other || other == pin) continue;
    // A link the rules refuse now (incompatible types, say) is simply not made.
    OWLinkStored(pin, other, links[i].afterPin);
    other->DisconnectFrom(placeholder);
  }
  OWRemoveUnloadedPin(placeholder);
  OWFreePin(placeholder);
}

void TOWBasicPin::CheckVirtualList() {
  // A placeholder in the placeholder list stands for a pin itself; one in a
  // pin list takes over the placeholders made for its entry before the list
  // was read.
  if (auto* self = qobject_cast<TOWUnloadedPin*>(this); self && !self->OwnedByList()) return;
  for (;;) {
    const QString ident = GetFullIdentName(true);
    const QString display = GetFullName(true);
    TComponent* root = GetRoot();
    TOWUnloadedPin* found = nullptr;
    {
      std::lock_guard global(OWGlobalSection());
      const std::vector<TOWUnloadedPin*> placeholders = OWGetUnloadedPinsSnapshot();
      auto candidate = [&](TOWUnloadedPin* p) {
        return p != this && !p->IsPinDestroying() && !p->InRemoval() && (!p->GetRoot() || p->GetRoot() == root);
      };
      for (TOWUnloadedPin* p : placeholders)
        if (candidate(p) && p->IdentName() == ident) {
          found = p;
          break;
        }
      if (!found)
        for (TOWUnloadedPin* p : placeholders)
          if (candidate(p) && p->DisplayName() == display) {
            found = p;
            break;
          }
    }
    if (!found) return;
    try {
      OWReplaceUnloadedPin(found, this);
    } catch (...) {
      // The placeholder stays (it is freed last); the search ends here.
      qCWarning(lcPins).noquote() << "Taking the links of placeholder" << display << "over to" << GetFullName(true)
                                  << "failed:" << CurrentExceptionText();
      if (OWIsUnloadedPinListed(found)) found->SetInRemoval(false);
      return;
    }
  }
}

// ---- Property paths ----

namespace {

QString FindPropertyPath(QObject* obj, const QObject* target, bool identForm, std::vector<const QObject*>& visited) {
  visited.push_back(obj);
  const QMetaObject* meta = obj->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty prop = meta->property(i);
    if (!prop.isReadable() || !(prop.metaType().flags() & QMetaType::PointerToQObject)) continue;
    QObject* value = prop.read(obj).value<QObject*>();
    if (!value) continue;
    const QString name = QString::fromLatin1(prop.name());
    if (value == target) return name;
    if (auto* list = qobject_cast<TOWPinList*>(value)) {
      const QString entry = list->EntryPathName(qobject_cast<const TOWBasicPin*>(target), identForm);
      if (!entry.isEmpty()) return name + QLatin1Char('.') + entry;
      continue;
    }
    if (qobject_cast<TComponent*>(value) || !qobject_cast<TPersistent*>(value)) continue;
    if (std::find(visited.begin(), visited.end(), value) != visited.end()) continue;
    const QString sub = FindPropertyPath(value, target, identForm, visited);
    if (!sub.isEmpty()) return name + QLatin1Char('.') + sub;
  }
  return QString();
}

}  // namespace

QString OWPropertyPath(QObject* owner, const QObject* target, bool identForm) {
  if (!owner || !target) return QString();
  if (auto* component = qobject_cast<TComponent*>(owner); component && component->IsDestroying()) return QString();
  std::vector<const QObject*> visited;
  return FindPropertyPath(owner, target, identForm, visited);
}

}  // namespace lumicar

// ---- Links across windows closed in design mode ----

namespace lumicar {

void TOWBasicPin::KeepLinksAcrossForms() {
  if (qobject_cast<TOWUnloadedPin*>(this)) return;
  TComponent* root = GetRoot();
  const QString ident = GetFullIdentName(true);
  const QString display = GetFullName(true);
  if (!IsStorablePath(ident)) return;
  std::vector<std::pair<TOWBasicPin*, TOWBasicPin*>> kept;  // (other pin, after pin)
  const bool keepsAfter = GetPinType() == ptSource;
  const int n = GetConnectedPinCount();
  for (int i = 0; i < n; ++i) {
    TOWBasicPin* other = GetConnectedPin(i);
    if (!other || qobject_cast<TOWUnloadedPin*>(other) || other->GetRoot() == root) continue;
    kept.emplace_back(other, keepsAfter ? GetConnectedAfterPin(i) : other->GetConnectedAfterForPin(this));
  }
  if (kept.empty()) return;
  // One placeholder for this pin, reused when one carries its names already.
  TOWUnloadedPin* placeholder = nullptr;
  for (TOWUnloadedPin* p : OWGetUnloadedPinsSnapshot())
    if (!p->IsPinDestroying() && !p->InRemoval() && p->IdentName() == ident) placeholder = p;
  if (!placeholder) placeholder = TOWUnloadedPin::Create(display, ident, nullptr, GetPinType(), GetFullName(true));
  // Kept alive while links move over.
  placeholder->SetInRemoval(true);
  // After pins that name this pin name the placeholder from now on.
  {
    std::lock_guard global(OWGlobalSection());
    for (TOWBasicPin* other : OWGetPinsSnapshot())
      if (other != placeholder && other != this && OWIsPinRegistered(other))
        other->PinReplacedNotify(this, placeholder);
  }
  for (const auto& [other, after] : kept) {
    TOWBasicPin* keptAfter = after == this ? nullptr : after;
    other->DisconnectFrom(this);
    OWLinkStored(other, placeholder, keptAfter);
  }
  placeholder->SetInRemoval(false);
  placeholder->CheckRemove();
}

}  // namespace lumicar
