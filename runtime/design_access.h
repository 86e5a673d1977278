#pragma once
// Lets the form reader and writer set the loading, reading and writing states that a
// component otherwise keeps to itself.

#include "runtime/component.h"

namespace lumicar {

struct TDesignAccess {
  static void Include(TComponent* c, TComponentState flags) { c->IncludeState(flags); }
  static void Exclude(TComponent* c, TComponentState flags) { c->ExcludeState(flags); }
};

}  // namespace lumicar
