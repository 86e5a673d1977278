#pragma once
// TButton: a push button; OnClick runs when it is pressed with the mouse or
// the keyboard.

#include "ui/text_control.h"

namespace lumicar {

class TButton : public TLPTextControl {
  Q_OBJECT
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_CLASSINFO("Default.Default", "False")
  Q_CLASSINFO("Default.TabOrder", "-1")

 public:
  Q_INVOKABLE explicit TButton(lumicar::TComponent* owner = nullptr);

  // The button that Enter presses in its window.
  bool Default() const;
  void SetDefault(bool value);
  // The place among its siblings when the focus moves by Tab (-1: none given).
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int value) { tabOrder_ = value; }

 protected:
  void ApplyCaption() override;
  // The button handles its own mouse input (pressing, releasing, clicking).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int tabOrder_ = -1;
};

}  // namespace lumicar
