#pragma once
// TPanel: a raised (or lowered, or flat) area of a window that holds other
// controls, with an optional caption in its middle.

#include <QObject>

#include "ui/text_control.h"

// In a namespace of its own so that designs store the values by name ("bvRaised").
namespace lumicar::bevel {
Q_NAMESPACE

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)

}  // namespace lumicar::bevel

namespace lumicar {

using bevel::TBevelCut;

class TPanel : public TLPTextControl {
  Q_OBJECT
  Q_PROPERTY(lumicar::bevel::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_CLASSINFO("Default.BevelOuter", "bvRaised")
  Q_CLASSINFO("Default.TabOrder", "-1")
  Q_CLASSINFO("Default.ParentColor", "True")

 public:
  Q_INVOKABLE explicit TPanel(lumicar::TComponent* owner = nullptr);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  // The place among its siblings when the focus moves by Tab (-1: none given).
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int value) { tabOrder_ = value; }

 protected:
  void ApplyCaption() override;

 private:
  TBevelCut bevelOuter_ = bevel::bvRaised;
  int tabOrder_ = -1;
};

}  // namespace lumicar
