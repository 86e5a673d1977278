#include "ui/lp_custom_control.h"

#include "components/floats_property.h"
#include "components/property_copy.h"

namespace lumicar {

TLPCustomControl::TLPCustomControl(TComponent* owner) : TLPCustomControl(owner, std::make_unique<QWidget>()) {}

TLPCustomControl::TLPCustomControl(TComponent* owner, std::unique_ptr<QWidget> widget)
    : TComponent(owner),
      widget_(widget != nullptr ? widget.release() : new QWidget()),
      lock_([this] { NotifyProp(); }) {}

TLPCustomControl::~TLPCustomControl() { delete widget_.data(); }

void TLPCustomControl::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  DefineFloatsProperty(filer, this);
}

void TLPCustomControl::Assign(TPersistent* source) {
  AssignLocked<TLPCustomControl>(this, source, /*skipName=*/true, [this](TPersistent* s) { TComponent::Assign(s); });
}

}  // namespace lumicar
