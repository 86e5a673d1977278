#pragma once
// TLabel: a line of text on a window, in its parent's font or its own. With
// AutoSize it takes the size of its text, so a face with other widths than the
// design's never cuts the text off. It does not react to input.

#include "ui/text_control.h"

namespace lumicar {

class TLabel : public TLPTextControl {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_CLASSINFO("Default.AutoSize", "True")
  Q_CLASSINFO("Default.ParentColor", "True")

 public:
  Q_INVOKABLE explicit TLabel(lumicar::TComponent* owner = nullptr);

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  void Loaded() override;

 protected:
  void ApplyCaption() override;
  void ApplyFont() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AdjustSize();

  bool autoSize_ = true;
};

}  // namespace lumicar
