#include "components/lp_persistent.h"

#include "components/floats_property.h"
#include "components/property_copy.h"

namespace lumicar {

TLPPersistent::TLPPersistent(TPersistent* owner, ILPLock* lock)
    : owner_(owner), lock_(lock, [this] { NotifyProp(); }) {}

TLPPersistent::~TLPPersistent() = default;

void TLPPersistent::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  DefineFloatsProperty(filer, this);
}

void TLPPersistent::Assign(TPersistent* source) {
  AssignLocked<TLPPersistent>(this, source, /*skipName=*/false, [this](TPersistent* s) { TPersistent::Assign(s); });
}

}  // namespace lumicar
