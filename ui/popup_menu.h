#pragma once
// TPopupMenu: the context menu of a window or control. Its items (TMenuItem)
// are nested inside it in a design; Popup shows it at a screen position and
// returns at once: the chosen item's OnClick runs from the event loop.

#include <QPoint>
#include <memory>

#include "runtime/component.h"
#include "runtime/event.h"
#include "ui/menu_item.h"

class QMenu;

namespace lumicar {

class TPopupMenu : public TComponent {
  Q_OBJECT
  Q_PROPERTY(bool OwnerDraw READ OwnerDraw WRITE SetOwnerDraw)
  Q_PROPERTY(lumicar::TNotifyEvent OnPopup READ OnPopup WRITE SetOnPopup)
  Q_CLASSINFO("Default.OwnerDraw", "False")

 public:
  Q_INVOKABLE explicit TPopupMenu(lumicar::TComponent* owner = nullptr);
  ~TPopupMenu() override;

  // The menu's root: its items are the menu's lines.
  TMenuItem* Items() const { return root_.get(); }
  QMenu* Menu() const;

  // Kept for designs that draw their items themselves; without drawing
  // handlers items draw the standard way, which is all this menu does.
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value) { ownerDraw_ = value; }
  // Called right before the menu appears.
  TNotifyEvent OnPopup() const { return onPopup_; }
  void SetOnPopup(const TNotifyEvent& e) { onPopup_ = e; }

  // Shows the menu with its top-left corner at (x, y) on the screen; what the
  // windowed controls call when the user asks for their context menu.
  Q_INVOKABLE void Popup(int x, int y);
  // The point where the menu was last shown.
  QPoint PopupPoint() const { return popupPoint_; }

 private:
  std::unique_ptr<TMenuItem> root_;
  bool ownerDraw_ = false;
  TNotifyEvent onPopup_;
  QPoint popupPoint_;
};

}  // namespace lumicar
