#pragma once
// TLPTextControl: a windowed control that shows a caption in a font of its own
// or in its parent window's font: the common part of forms, labels, panels
// and buttons.

#include <QString>
#include <memory>

#include "ui/font.h"
#include "ui/lp_custom_control.h"

namespace lumicar {

class TLPTextControl : public TLPCustomControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(lumicar::TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_CLASSINFO("Default.ParentFont", "True")

 public:
  ~TLPTextControl() override;

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  TFont* Font() const { return font_.get(); }
  // Copies the settings of value.
  void SetFont(TFont* value);
  // True: the window shows its parent window's font, whatever Font holds.
  // Changing Font clears it.
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);

 protected:
  TLPTextControl(TComponent* owner, std::unique_ptr<QWidget> widget);

  // Puts the caption into the window. Empty here.
  virtual void ApplyCaption() {}
  // Puts the font into the window; descendants that size themselves to their
  // text call the base first.
  virtual void ApplyFont();

 private:
  QString caption_;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  bool settingParentFont_ = false;
};

}  // namespace lumicar
