#pragma once
// Stored links: the entry shapes in which a window design names the pins a
// pin is linked to, finding the pin a stored name stands for (or making a
// placeholder for it), correcting names of windows loaded under another name,
// and handing a placeholder's links over to the real pin once it loads.

#include <QObject>
#include <QString>
#include <vector>

#include "pins/basic_pin.h"

namespace lumicar {

class TReader;
class TWriter;
class TOWUnloadedPin;

// One stored link: I (identifier path with root), D (display path with
// root; equal to I when the design holds none), A (identifier path of the
// after pin, empty without one).
struct TOWStoredLink {
  QString ident;
  QString display;
  QString after;
};

// Sink entry: I | (I A) | (I 'D') | (I A 'D'). EReadError for any other shape.
TOWStoredLink OWReadSinkEntry(TReader& reader);
// Source entry: I | (I 'D') | ((X A)) with X = I | (I 'D').
TOWStoredLink OWReadSourceEntry(TReader& reader);
// A list of entries, at least one.
std::vector<TOWStoredLink> OWReadSinkEntries(TReader& reader);
std::vector<TOWStoredLink> OWReadSourceEntries(TReader& reader);
void OWWriteSinkEntry(TWriter& writer, const TOWStoredLink& link);
void OWWriteSourceEntry(TWriter& writer, const TOWStoredLink& link);

// The stored form of a link from `pin`'s side to `other` with after pin
// `afterPin`. False when other's path cannot be stored (no owner, no name).
bool OWMakeStoredLink(TOWBasicPin* other, TOWBasicPin* afterPin, TOWStoredLink& link);

// The links of a pin as they are stored, in link order (links to pins whose
// path cannot be stored are left out).
std::vector<TOWStoredLink> OWStoredLinksOf(TOWBasicPin* pin);

// Replaces a leading "storedForm." of path by "currentRoot.".
QString OWApplyFormName(const QString& storedForm, const QString& currentRoot, const QString& path);
// The same three paths of a link corrected at once.
void OWApplyFormName(const QString& storedForm, const QString& currentRoot, TOWStoredLink& link);

// The pin a stored path names, as seen by `reader` (a pin of the window
// being loaded): by identifier path, then by display path; none when no pin
// matches. Placeholders are found like real pins.
TOWBasicPin* OWFindStoredPin(TOWBasicPin* reader, const QString& ident, const QString& display);
// The same, making a placeholder of the given type when nothing matches.
TOWBasicPin* OWFindOrCreateStoredPin(TOWBasicPin* reader, const QString& ident, const QString& display,
                                     TOWPinType type);

// Makes the stored link from `pin` to `target` after `afterPin`, in the
// direction their kinds need (a source keeps the after pin of its entry).
// False when the link rules refuse it.
bool OWLinkStored(TOWBasicPin* pin, TOWBasicPin* target, TOWBasicPin* afterPin);

// The links of the placeholder move to `pin`; the placeholder is freed.
void OWReplaceUnloadedPin(TOWUnloadedPin* placeholder, TOWBasicPin* pin);

// Path of the published property (searched depth first through property
// objects that are not components, pin lists giving "List.Entry") whose
// value is target; empty when none.
QString OWPropertyPath(QObject* owner, const QObject* target, bool identForm);

}  // namespace lumicar
