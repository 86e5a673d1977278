#pragma once
// TMenuItem: one command of a pop-up menu, a separator (caption "-") or a
// submenu holding further items. It has a caption, a check mark (a radio mark
// for radio items: checking one clears the others of its group among its
// siblings), can be disabled or hidden, and calls OnClick when chosen; an item
// with a submenu calls it each time its submenu opens.
//
// In a design the items are nested inside their menu and their parent item;
// they are owned by the form like every component of the design. The item
// shows itself in Qt as a QAction; its submenu is a QMenu.

#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "runtime/component.h"
#include "runtime/event.h"

class QAction;
class QActionGroup;
class QMenu;

namespace lumicar {

class TMenuItem : public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
  Q_PROPERTY(bool RadioItem READ RadioItem WRITE SetRadioItem)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString ShortCut READ ShortCut WRITE SetShortCut)
  Q_PROPERTY(lumicar::TNotifyEvent OnClick READ OnClick WRITE SetOnClick)
  Q_CLASSINFO("Default.Checked", "False")
  Q_CLASSINFO("Default.Enabled", "True")
  Q_CLASSINFO("Default.GroupIndex", "0")
  Q_CLASSINFO("Default.RadioItem", "False")
  Q_CLASSINFO("Default.Visible", "True")
  Q_CLASSINFO("Default.ShortCut", "")

 public:
  Q_INVOKABLE explicit TMenuItem(lumicar::TComponent* owner = nullptr);
  // Leaves its parent; its sub-items stay alive (their owner frees them) but
  // belong to no menu any more.
  ~TMenuItem() override;

  QString Caption() const { return caption_; }
  // Shown as it stands; "-" makes the item a separator line.
  void SetCaption(const QString& value);
  bool Checked() const { return checked_; }
  // Checking a radio item clears the check of the radio items of the same
  // group among its siblings.
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int GroupIndex() const { return groupIndex_; }
  // EComponentError outside 0..255.
  void SetGroupIndex(int value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // The key shown beside the caption, in Qt's portable text ("Ctrl+S",
  // "Shift+R", "Space"); empty for none. The key works while the menu is
  // closed once the item's action is added to a window (QWidget::addAction).
  QString ShortCut() const { return shortCut_; }
  void SetShortCut(const QString& value);
  TNotifyEvent OnClick() const { return onClick_; }
  void SetOnClick(const TNotifyEvent& e) { onClick_ = e; }

  bool IsLine() const { return caption_ == QStringLiteral("-"); }

  // ---- Sub-items ----
  int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count()-1.
  TMenuItem* Items(int index) const;
  int IndexOf(const TMenuItem* item) const;
  // The item that holds this one; none for a menu's root and a loose item.
  TMenuItem* Parent() const { return parent_.data(); }
  // Appends item (taking it from its former parent); EComponentError for this
  // item itself or one of its parents.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);

  // Runs OnClick (the user chose the item, or its submenu opens).
  virtual void Click();

  // ---- Design nesting ----
  TComponent* GetParentComponent() const override;
  // A menu or an item: appended to its items.
  void SetParentComponent(TComponent* parent) override;
  // The menu component (a TPopupMenu) whose root item this is, set by the menu.
  void SetMenuComponent(TComponent* menu) { menu_ = menu; }

  // ---- Qt side ----
  QAction* Action() const { return action_.get(); }
  // The submenu: exists while the item has sub-items (always for a menu's root).
  QMenu* SubMenu() const { return subMenu_.get(); }
  void SetKeepSubMenu(bool keep);

 private:
  void Triggered();
  // The action shows the item's state (Qt toggles checkable actions by itself).
  void SyncAction();
  // After a change of RadioItem or GroupIndex, or a new parent.
  void Regroup();
  QActionGroup* GroupFor(int groupIndex);
  void EnsureSubMenu();
  void DropSubMenuIfEmpty();
  void Detach(TMenuItem* item);

  QString caption_;
  bool checked_ = false;
  bool enabled_ = true;
  int groupIndex_ = 0;
  bool radioItem_ = false;
  bool visible_ = true;
  QString shortCut_;
  TNotifyEvent onClick_;

  QPointer<TMenuItem> parent_;
  QPointer<TComponent> menu_;
  std::vector<QPointer<TMenuItem>> items_;
  std::unique_ptr<QAction> action_;
  std::unique_ptr<QMenu> subMenu_;
  bool keepSubMenu_ = false;
  // Radio groups of the sub-items, by group number.
  std::map<int, std::unique_ptr<QActionGroup>> groups_;
};

}  // namespace lumicar
