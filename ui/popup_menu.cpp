#include "ui/popup_menu.h"

#include <QMenu>

#include "ui/application.h"

namespace lumicar {

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), root_(std::make_unique<TMenuItem>()) {
  root_->SetMenuComponent(this);
  root_->SetKeepSubMenu(true);
}

TPopupMenu::~TPopupMenu() = default;

QMenu* TPopupMenu::Menu() const { return root_->SubMenu(); }

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = QPoint(x, y);
  RunHandled([this] { onPopup_(this); });
  Menu()->popup(popupPoint_);
}

}  // namespace lumicar
