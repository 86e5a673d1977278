#pragma once
// Writes a root component and the components it owns as a text form design: the
// stored published properties that differ from their defaults, what the stored-
// property hooks write, event method names, collections and nested property objects.
// Reading the text back gives the same components and values.

#include <QByteArray>

namespace lumicar {

class TComponent;

// EWriteError for a value that cannot be written (an enumeration value without a
// name, a property object cycle, a hook that writes no value or more than one).
QByteArray WriteComponentDesign(TComponent* root);

}  // namespace lumicar
