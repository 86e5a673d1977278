#pragma once
// The generic copy of published property values behind Assign of the component bases:
// one object's published values are taken over by another of the same family.

#include <QObject>

#include "runtime/interface.h"
#include "runtime/sync/lock_section.h"

namespace lumicar {

class TPersistent;

// For every writable published property of dest that source also publishes (by name,
// ignoring case): values of the plain kinds (numbers, Booleans, enumerations, sets,
// strings, date-times, binary, variants and characters) are read from source and
// written to dest; an object property is copied with the Assign of dest's own object
// from source's object, but only when dest's object is a persistent object that is
// neither a component nor a framework object (so pins are never copied). Events are
// not copied. With skipName the property "Name" is left alone (components, controls,
// collections and collection items keep their names). A property whose kind differs
// between the two classes is skipped; a value out of range for dest raises
// EPropertyError.
void CopyPublishedProperties(QObject* dest, const QObject* source, bool skipName);

// The Assign of the component bases, under self's write lock: a source of class
// Same (another instance) hands over its published properties; any other source
// goes to `inherited`, the base class's Assign. With alsoInherited the inherited
// Assign runs after the copy too (collections copy their items there).
template <typename Same, typename Self, typename Inherited>
void AssignLocked(Self* self, TPersistent* source, bool skipName, Inherited inherited, bool alsoInherited = false) {
  TIntf<IOWLockSection> section = self->WriteLock();
  if (auto* other = qobject_cast<Same*>(source)) {
    if (other != self) CopyPublishedProperties(self, other, skipName);
    if (!alsoInherited) return;
  }
  inherited(source);
}

// True for a framework object (a pin, pin list or state dispatcher): such objects
// belong to their component and are never copied or assigned generically.
bool IsFrameworkObject(const QObject* object);

}  // namespace lumicar
