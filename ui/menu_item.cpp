#include "ui/menu_item.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <algorithm>

#include "runtime/exception.h"
#include "ui/application.h"
#include "ui/popup_menu.h"

namespace lumicar {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(std::make_unique<QAction>()) {
  connect(action_.get(), &QAction::triggered, this, [this] { Triggered(); });
  SyncAction();
}

TMenuItem::~TMenuItem() {
  for (const QPointer<TMenuItem>& item : items_) {
    if (item.isNull()) continue;
    item->parent_ = nullptr;
    if (subMenu_) subMenu_->removeAction(item->Action());
  }
  items_.clear();
  if (parent_) parent_->Detach(this);
  action_->setMenu(static_cast<QMenu*>(nullptr));
}

void TMenuItem::SetCaption(const QString& value) {
  if (caption_ == value) return;
  caption_ = value;
  SyncAction();
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radioItem_ && parent_) {
    for (const QPointer<TMenuItem>& sibling : parent_->items_) {
      if (sibling.isNull() || sibling == this || !sibling->radioItem_ || sibling->groupIndex_ != groupIndex_) continue;
      if (!sibling->checked_) continue;
      sibling->checked_ = false;
      sibling->SyncAction();
    }
  }
  SyncAction();
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  SyncAction();
}

void TMenuItem::SetGroupIndex(int value) {
  if (value < 0 || value > 255) {
    throw EComponentError(QStringLiteral("Group index %1 of menu item %2 is outside 0..255").arg(value).arg(Name()));
  }
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  Regroup();
}

void TMenuItem::SetRadioItem(bool value) {
  if (radioItem_ == value) return;
  radioItem_ = value;
  Regroup();
}

void TMenuItem::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  SyncAction();
}

void TMenuItem::SetShortCut(const QString& value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  SyncAction();
}

void TMenuItem::SyncAction() {
  QAction* a = action_.get();
  a->setText(IsLine() ? QString() : caption_);
  a->setSeparator(IsLine());
  a->setEnabled(enabled_);
  a->setVisible(visible_);
  a->setShortcut(QKeySequence(shortCut_, QKeySequence::PortableText));
  // Only a checked item is checkable, so that unchecked items show no empty
  // box or circle in front of their caption.
  if (checked_) {
    a->setCheckable(true);
    a->setChecked(true);
  } else {
    a->setChecked(false);
    a->setCheckable(false);
  }
}

QActionGroup* TMenuItem::GroupFor(int groupIndex) {
  std::unique_ptr<QActionGroup>& group = groups_[groupIndex];
  if (!group) {
    group = std::make_unique<QActionGroup>(nullptr);
    // Radio items may all be unchecked; the group gives their mark its look.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  }
  return group.get();
}

void TMenuItem::Regroup() {
  QAction* a = action_.get();
  if (a->actionGroup() != nullptr) a->actionGroup()->removeAction(a);
  if (radioItem_ && parent_) parent_->GroupFor(groupIndex_)->addAction(a);
  // Two checked radio items that now share a group: the later keeps its mark.
  const bool wasChecked = checked_;
  checked_ = false;
  SyncAction();
  SetChecked(wasChecked);
}

void TMenuItem::Triggered() {
  // The check mark is the item's own setting; choosing the item does not change it.
  SyncAction();
  RunHandled([this] { Click(); });
}

void TMenuItem::Click() { onClick_(this); }

// ---- Sub-items ----

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError(QStringLiteral("Menu index %1 out of bounds (%2 items)").arg(index).arg(Count()));
  }
  return items_[static_cast<std::size_t>(index)].data();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].data() == item) return static_cast<int>(i);
  }
  return -1;
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr) return;
  for (const TMenuItem* p = this; p != nullptr; p = p->parent_.data()) {
    if (p == item) throw EComponentError(QStringLiteral("Menu item %1 cannot hold itself").arg(item->Name()));
  }
  if (item->parent_) item->parent_->Detach(item);
  index = std::clamp(index, 0, Count());
  EnsureSubMenu();
  QAction* before = index < Count() ? items_[static_cast<std::size_t>(index)]->Action() : nullptr;
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  subMenu_->insertAction(before, item->Action());
  item->Regroup();
}

void TMenuItem::Remove(TMenuItem* item) {
  if (item != nullptr && item->parent_ == this) Detach(item);
}

void TMenuItem::Detach(TMenuItem* item) {
  const auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.data() == item; });
  if (it != items_.end()) items_.erase(it);
  if (subMenu_) subMenu_->removeAction(item->Action());
  QAction* a = item->Action();
  if (a->actionGroup() != nullptr) a->actionGroup()->removeAction(a);
  item->parent_ = nullptr;
  DropSubMenuIfEmpty();
}

void TMenuItem::EnsureSubMenu() {
  if (subMenu_) return;
  subMenu_ = std::make_unique<QMenu>();
  // An item with a submenu is "clicked" whenever its submenu opens.
  connect(subMenu_.get(), &QMenu::aboutToShow, this, [this] { RunHandled([this] { Click(); }); });
  action_->setMenu(subMenu_.get());
}

void TMenuItem::DropSubMenuIfEmpty() {
  if (!subMenu_ || keepSubMenu_ || !items_.empty()) return;
  action_->setMenu(static_cast<QMenu*>(nullptr));
  // It may be on screen, or be the sender of the signal being handled.
  subMenu_.release()->deleteLater();
}

void TMenuItem::SetKeepSubMenu(bool keep) {
  keepSubMenu_ = keep;
  if (keep) EnsureSubMenu();
}

// ---- Design nesting ----

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_.data();
  return parent_.data();
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* item = qobject_cast<TMenuItem*>(parent)) {
    item->Add(this);
    return;
  }
  if (auto* menu = qobject_cast<TPopupMenu*>(parent)) menu->Items()->Add(this);
}

}  // namespace lumicar
