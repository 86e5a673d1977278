// Pop-up menus read from a design: the item tree with captions as written,
// separators, check and radio marks (radio groups among siblings), the bound
// click handlers, the submenu-open handler, exceptions from handlers, and a
// broken design that names where it breaks.

#include "ui/popup_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QTest>

#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/menu_item.h"
#include "ui/registration.h"

namespace lumicar::test {

// A form with the handlers the test design binds.
class TMenuTestForm : public TLPForm {
  Q_OBJECT
 public:
  using TLPForm::TLPForm;
  Q_INVOKABLE void OpenClick(QObject* sender) { clicks.push_back(sender); }
  Q_INVOKABLE void SizeClick(QObject* sender) { clicks.push_back(sender); }
  Q_INVOKABLE void SubOpened(QObject* sender) { opened.push_back(sender); }
  Q_INVOKABLE void FailingClick(QObject*) { throw EComponentError(QStringLiteral("the handler failed")); }
  std::vector<QObject*> clicks;
  std::vector<QObject*> opened;
};

namespace {

const char kDesign[] = R"(object MenuForm: TMenuTestForm
  Caption = 'メニュー'
  PopupMenu = PopupMenu1
  object PopupMenu1: TPopupMenu
    OwnerDraw = True
    object Open1: TMenuItem
      Caption = 'フルスクリーン'
      ShortCut = 'Ctrl+Shift+F'
      OnClick = OpenClick
    end
    object Top1: TMenuItem
      Caption = '常に手前に表示する'
      Checked = True
    end
    object Sizes1: TMenuItem
      Caption = 'ビデオサイズ固定'
      OnClick = SubOpened
      object VGA1: TMenuItem
        Caption = 'VGA(640*480)'
        GroupIndex = 1
        RadioItem = True
        OnClick = SizeClick
      end
      object UXGA1: TMenuItem
        Caption = 'UXGA(1600*1200)'
        GroupIndex = 1
        RadioItem = True
        Checked = True
        OnClick = SizeClick
      end
      object YUY21: TMenuItem
        Caption = 'YUY2'
        RadioItem = True
        Checked = True
      end
      object Plain1: TMenuItem
        Caption = 'plain'
        Checked = True
      end
    end
    object N3: TMenuItem
      Caption = '-'
    end
    object Fail1: TMenuItem
      Caption = 'fail'
      Enabled = False
      OnClick = FailingClick
    end
  end
end
)";

class PopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUIClasses();
    form = std::make_unique<TMenuTestForm>();
    ReadComponentDesign(form.get(), QByteArray(kDesign));
    menu = qobject_cast<TPopupMenu*>(form->FindComponent(QStringLiteral("PopupMenu1")));
    ASSERT_NE(menu, nullptr);
  }
  TMenuItem* Item(const char* name) const {
    return qobject_cast<TMenuItem*>(form->FindComponent(QString::fromLatin1(name)));
  }

  std::unique_ptr<TMenuTestForm> form;
  TPopupMenu* menu = nullptr;
};

TEST_F(PopupMenuTest, TheItemTreeAndItsCaptionsAreAsWritten) {
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_EQ(form->PopupMenu(), menu);
  EXPECT_EQ(form->Widget()->windowTitle(), QString::fromUtf8("メニュー"));
  TMenuItem* root = menu->Items();
  ASSERT_EQ(root->Count(), 5);
  EXPECT_EQ(root->Items(0), Item("Open1"));
  EXPECT_EQ(root->Items(2), Item("Sizes1"));
  EXPECT_EQ(Item("Sizes1")->Count(), 4);
  EXPECT_EQ(Item("Sizes1")->Items(1), Item("UXGA1"));
  EXPECT_EQ(Item("UXGA1")->Parent(), Item("Sizes1"));
  EXPECT_EQ(Item("Open1")->GetParentComponent(), menu);
  EXPECT_EQ(Item("VGA1")->GetParentComponent(), Item("Sizes1"));
  EXPECT_THROW(root->Items(5), EListError);

  // The Qt side: the same lines in the same order, the texts unchanged.
  const QList<QAction*> lines = menu->Menu()->actions();
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0]->text(), QString::fromUtf8("フルスクリーン"));
  EXPECT_EQ(lines[1]->text(), QString::fromUtf8("常に手前に表示する"));
  EXPECT_EQ(lines[2]->menu(), Item("Sizes1")->SubMenu());
  EXPECT_TRUE(lines[3]->isSeparator());
  EXPECT_TRUE(Item("N3")->IsLine());
  EXPECT_FALSE(lines[4]->isEnabled());
  const QList<QAction*> sizes = Item("Sizes1")->SubMenu()->actions();
  ASSERT_EQ(sizes.size(), 4);
  EXPECT_EQ(sizes[0]->text(), QStringLiteral("VGA(640*480)"));
  EXPECT_EQ(sizes[1]->text(), QStringLiteral("UXGA(1600*1200)"));
  // Leaves have no submenu.
  EXPECT_EQ(Item("Open1")->SubMenu(), nullptr);
  EXPECT_EQ(lines[0]->menu(), nullptr);
}

TEST_F(PopupMenuTest, ChoosingAnItemCallsItsHandlerAndLeavesTheMarksAlone) {
  Item("Open1")->Action()->trigger();
  ASSERT_EQ(form->clicks.size(), 1u);
  EXPECT_EQ(form->clicks[0], Item("Open1"));

  // A checked item chosen stays checked; an unchecked radio item stays unchecked.
  Item("UXGA1")->Action()->trigger();
  Item("VGA1")->Action()->trigger();
  ASSERT_EQ(form->clicks.size(), 3u);
  EXPECT_EQ(form->clicks[1], Item("UXGA1"));
  EXPECT_EQ(form->clicks[2], Item("VGA1"));
  EXPECT_TRUE(Item("UXGA1")->Checked());
  EXPECT_TRUE(Item("UXGA1")->Action()->isChecked());
  EXPECT_FALSE(Item("VGA1")->Checked());
  EXPECT_FALSE(Item("VGA1")->Action()->isChecked());
  // An item without a handler does nothing.
  Item("Top1")->Action()->trigger();
  EXPECT_EQ(form->clicks.size(), 3u);
  EXPECT_TRUE(Item("Top1")->Action()->isChecked());
}

TEST_F(PopupMenuTest, AnItemsKeyIsShownAndChoosesItFromItsWindow) {
  EXPECT_EQ(Item("Open1")->Action()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  EXPECT_TRUE(Item("Top1")->Action()->shortcut().isEmpty());
  form->Widget()->addAction(Item("Open1")->Action());
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  QTest::keyClick(form->Widget(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(form->clicks.size(), 1u);
  EXPECT_EQ(form->clicks[0], Item("Open1"));
  // Taken away again, the key does nothing.
  Item("Open1")->SetShortCut(QString());
  QTest::keyClick(form->Widget(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form->clicks.size(), 1u);
}

TEST_F(PopupMenuTest, RadioItemsClearTheirGroupOnlyAmongTheirSiblings) {
  // Read in design order: VGA1 unchecked, UXGA1 checked in group 1; YUY21
  // alone in group 0; the plain item is no radio item.
  EXPECT_TRUE(Item("UXGA1")->Checked());
  EXPECT_TRUE(Item("YUY21")->Checked());
  EXPECT_TRUE(Item("Plain1")->Checked());
  Item("VGA1")->SetChecked(true);
  EXPECT_TRUE(Item("VGA1")->Checked());
  EXPECT_FALSE(Item("UXGA1")->Checked());
  EXPECT_FALSE(Item("UXGA1")->Action()->isChecked());
  EXPECT_TRUE(Item("VGA1")->Action()->isChecked());
  EXPECT_TRUE(Item("YUY21")->Checked());
  EXPECT_TRUE(Item("Plain1")->Checked());
  // Radio marks look like radio marks: the checked action is in an exclusive group.
  ASSERT_NE(Item("VGA1")->Action()->actionGroup(), nullptr);
  EXPECT_NE(Item("VGA1")->Action()->actionGroup()->exclusionPolicy(), QActionGroup::ExclusionPolicy::None);
  EXPECT_EQ(Item("Plain1")->Action()->actionGroup(), nullptr);

  // Moving YUY21 into group 1 makes it the one checked there (it was checked).
  Item("YUY21")->SetGroupIndex(1);
  EXPECT_TRUE(Item("YUY21")->Checked());
  EXPECT_FALSE(Item("VGA1")->Checked());
  EXPECT_THROW(Item("YUY21")->SetGroupIndex(256), EComponentError);
  // Unchecking leaves a group without any mark.
  Item("YUY21")->SetChecked(false);
  EXPECT_FALSE(Item("YUY21")->Action()->isChecked());
  EXPECT_FALSE(Item("YUY21")->Action()->isCheckable());
}

TEST_F(PopupMenuTest, ASubmenuRunsItsHandlerEachTimeItOpens) {
  QMenu* sub = Item("Sizes1")->SubMenu();
  ASSERT_NE(sub, nullptr);
  for (int i = 0; i < 2; ++i) {
    sub->popup(QPoint(10, 10));
    sub->hide();
  }
  ASSERT_EQ(form->opened.size(), 2u);
  EXPECT_EQ(form->opened[0], Item("Sizes1"));
  EXPECT_TRUE(form->clicks.empty());
}

TEST_F(PopupMenuTest, PopupShowsTheMenuWhereAskedAndTellsOnPopup) {
  int popups = 0;
  menu->SetOnPopup(TNotifyEvent([&](QObject* sender) {
    EXPECT_EQ(sender, menu);
    ++popups;
  }));
  menu->Popup(40, 30);
  EXPECT_EQ(popups, 1);
  EXPECT_TRUE(menu->Menu()->isVisible());
  EXPECT_EQ(menu->PopupPoint(), QPoint(40, 30));
  menu->Menu()->hide();
}

TEST_F(PopupMenuTest, AnExceptionFromAHandlerGoesToTheApplicationsHandler) {
  std::vector<QString> messages;
  TExceptionHandler previous = SetExceptionHandler([&](const Exception& e) { messages.push_back(e.Message()); });
  Item("Fail1")->SetEnabled(true);
  Item("Fail1")->Action()->trigger();
  SetExceptionHandler(previous);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], QStringLiteral("the handler failed"));
}

TEST_F(PopupMenuTest, ItemsCanBeMovedAndFreedInAnyOrder) {
  TMenuItem* sizes = Item("Sizes1");
  TMenuItem* vga = Item("VGA1");
  menu->Items()->Insert(0, vga);
  EXPECT_EQ(menu->Items()->Items(0), vga);
  EXPECT_EQ(sizes->Count(), 3);
  EXPECT_EQ(menu->Menu()->actions().first(), vga->Action());
  EXPECT_THROW(vga->Add(menu->Items()), EComponentError);
  // The submenu goes when its parent is freed; its items live on, loose.
  TMenuItem* uxga = Item("UXGA1");
  delete sizes;
  EXPECT_EQ(uxga->Parent(), nullptr);
  EXPECT_EQ(menu->Items()->Count(), 5);
  delete menu;
  EXPECT_EQ(vga->Parent(), nullptr);
}

TEST(PopupMenuDesign, ABrokenDesignNamesLineAndColumn) {
  RegisterUIClasses();
  const char broken[] =
      "object MenuForm: TMenuTestForm\n"
      "  object PopupMenu1: TPopupMenu\n"
      "    object Open1: TMenuItem\n"
      "      OnClick = NoSuchMethod\n"
      "    end\n"
      "  end\n"
      "end\n";
  TMenuTestForm form;
  try {
    ReadComponentDesign(&form, QByteArray(broken));
    FAIL() << "the design was read";
  } catch (const EReadError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Line 4, column 17: "))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("NoSuchMethod"))) << e.Message().toStdString();
  }
  // Nothing of the broken read is left.
  EXPECT_EQ(form.ComponentCount(), 0);

  const char badValue[] =
      "object MenuForm: TMenuTestForm\n"
      "  object PopupMenu1: TPopupMenu\n"
      "    object Open1: TMenuItem\n"
      "      GroupIndex = 300\n"
      "    end\n"
      "  end\n"
      "end\n";
  try {
    ReadComponentDesign(&form, QByteArray(badValue));
    FAIL() << "the design was read";
  } catch (const EReadError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Line 4, column 20: "))) << e.Message().toStdString();
  }
}

}  // namespace
}  // namespace lumicar::test

#include "popup_menu_test.moc"
