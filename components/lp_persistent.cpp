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
  TIntf<IOWLockSection> section = WriteLock();
  if (auto* other = qobject_cast<TLPPersistent*>(source)) {
    if (other != this) CopyPublishedProperties(this, other, /*skipName=*/false);
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace lumicar
