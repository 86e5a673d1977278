#pragma once
// The stored property "_Floats": a design would drop a floating-point property that
// holds 0 (0 counts as its default), so one whose constructor default is not 0 would
// come back with that default. "_Floats" lists those properties with their value.

#include <QObject>
#include <vector>

#include "runtime/properties.h"

namespace lumicar {

class TFiler;

// The published floating-point properties of object (date-times excepted) that hold
// exactly 0 and that a design stores and can set again, in property order.
std::vector<const TPropInfo*> ZeroFloatProperties(const QObject* object);

// Defines "_Floats" on filer for object: written as a list of (name value) pairs when
// ZeroFloatProperties is not empty; reading sets each named property to its value.
// A name that is not such a property of object is a design error.
void DefineFloatsProperty(TFiler& filer, QObject* object);

}  // namespace lumicar
