// Forms made from designs: caption, fonts (the Japanese face mapping), the
// controls of an About-like window, outer size and centring, the full-screen
// view, stay-on-top, windows owned by another, closing and the program's end;
// and the standard error box.

#include "ui/form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "testing/event_pump.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/font.h"
#include "ui/label.h"
#include "ui/message_box.h"
#include "ui/panel.h"
#include "ui/registration.h"

namespace lumicar::test {

class TDialogTestForm : public TLPForm {
  Q_OBJECT
 public:
  using TLPForm::TLPForm;
  Q_INVOKABLE void OkClick(QObject* sender) {
    okSender = sender;
    Close();
  }
  // Exposes the typed lookup of design components.
  template <typename T>
  T* Get(const char* name) const {
    return Field<T>(QString::fromLatin1(name));
  }
  QObject* okSender = nullptr;
};

namespace {

const char kDialog[] = R"(object Dialog1: TDialogTestForm
  BorderStyle = bsDialog
  Caption = 'バージョン情報'
  Width = 290
  Height = 176
  Position = poOwnerFormCenter
  Font.Charset = SHIFTJIS_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'ＭＳ Ｐゴシック'
  Font.Style = []
  object Panel1: TPanel
    Left = 8
    Top = 8
    Width = 265
    Height = 97
    TabOrder = 0
    object Label1: TLabel
      Left = 8
      Top = 0
      Width = 134
      Height = 21
      Caption = 'Lumicar'
      Font.Height = -21
      Font.Name = 'ＭＳ Ｐゴシック'
      Font.Charset = SHIFTJIS_CHARSET
      ParentFont = False
    end
    object Label2: TLabel
      Left = 16
      Top = 40
      Width = 10
      Height = 10
      Caption = 'inherits its window''s font'
    end
  end
  object Button1: TButton
    Left = 96
    Top = 112
    Width = 81
    Height = 25
    Caption = 'OK'
    TabOrder = 1
    OnClick = OkClick
  end
end
)";

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterUIClasses(); }
  static QRect Available(const QWidget* w) { return w->screen()->availableGeometry(); }
};

TEST_F(FormTest, ADialogDesignGivesCaptionFontsAndControls) {
  TDialogTestForm dialog;
  ReadComponentDesign(&dialog, QByteArray(kDialog));
  QWidget* window = dialog.Widget();
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("バージョン情報"));
  EXPECT_EQ(dialog.Color(), clBtnFace);
  EXPECT_EQ(window->font().pixelSize(), 12);
  EXPECT_EQ(dialog.Font()->Size(), 9);
  EXPECT_EQ(window->font().family(), MapFontFamily(QString::fromUtf8("ＭＳ Ｐゴシック"), SHIFTJIS_CHARSET));
  EXPECT_FALSE(dialog.ParentFont());
  EXPECT_FALSE(window->isVisible());

  auto* panel = dialog.Get<TPanel>("Panel1");
  auto* title = dialog.Get<TLabel>("Label1");
  auto* line = dialog.Get<TLabel>("Label2");
  auto* ok = dialog.Get<TButton>("Button1");
  EXPECT_EQ(panel->Widget()->parentWidget(), window);
  EXPECT_EQ(title->Widget()->parentWidget(), panel->Widget());
  EXPECT_EQ(static_cast<QLabel*>(title->Widget())->text(), QStringLiteral("Lumicar"));
  // The label's own height in the window's face; the other label takes the window's font.
  EXPECT_EQ(title->Widget()->font().pixelSize(), 21);
  EXPECT_EQ(title->Widget()->font().family(), window->font().family());
  EXPECT_TRUE(line->ParentFont());
  EXPECT_EQ(line->Widget()->font().pixelSize(), 12);
  // Sized to their text: never cut off whatever the face's widths.
  EXPECT_EQ(line->Widget()->size(), line->Widget()->sizeHint());
  EXPECT_EQ(QPoint(line->Left(), line->Top()), QPoint(16, 40));
  EXPECT_EQ(ok->Widget()->geometry(), QRect(96, 112, 81, 25));
  EXPECT_EQ(static_cast<QPushButton*>(ok->Widget())->text(), QStringLiteral("OK"));
  EXPECT_THROW(dialog.Get<TButton>("Label1"), EComponentError);
  EXPECT_THROW(dialog.Get<TButton>("Button9"), EComponentError);

  // The button closes the window; a form that is not the main one just hides.
  dialog.Show();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(dialog.Visible());
  static_cast<QPushButton*>(ok->Widget())->click();
  EXPECT_EQ(dialog.okSender, ok);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(dialog.Visible());
}

TEST_F(FormTest, OuterSizeIncludesTheFrameAndCentringUsesIt) {
  TLPForm form;
  form.SetPosition(poScreenCenter);
  form.SetBounds(0, 0, 648, 514);
  form.Show();
  QWidget* window = form.Widget();
  // The window system tells the frame once the window is on screen; the outer
  // size asked for before then holds with it.
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->frameGeometry().size() == QSize(648, 514); }));
  const QMargins m = form.FrameMargins();
  EXPECT_EQ(form.Width(), 648);
  EXPECT_EQ(form.Height(), 514);
  EXPECT_EQ(form.ClientWidth(), 648 - m.left() - m.right());
  // Centred on its screen, frame included.
  const QRect area = Available(window);
  const QPoint centre = window->frameGeometry().center();
  EXPECT_LE(std::abs(centre.x() - area.center().x()), 1);
  EXPECT_LE(std::abs(centre.y() - area.center().y()), 1);
  // Height first, then width, as a command may set them.
  form.SetHeight(300);
  form.SetWidth(400);
  EXPECT_EQ(window->frameGeometry().size(), QSize(400, 300));
  form.SetClientWidth(200);
  EXPECT_EQ(window->width(), 200);
}

TEST_F(FormTest, APlaceAskedForBeforeTheFrameIsKnownIsTheFrames) {
  TLPForm form;
  form.SetBounds(120, 90, 400, 300);
  form.Show();
  QWidget* window = form.Widget();
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->frameGeometry() == QRect(120, 90, 400, 300); }))
      << window->frameGeometry().x() << "," << window->frameGeometry().y();
  EXPECT_EQ(QPoint(form.Left(), form.Top()), QPoint(120, 90));
}

TEST_F(FormTest, MaximisedWithoutFrameIsTheFullScreenView) {
  TLPForm form;
  form.SetBounds(10, 10, 300, 200);
  form.Show();
  QWidget* window = form.Widget();
  form.SetWindowState(wsMaximized);
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_FALSE(form.IsFullScreenView());
  form.SetBorderStyle(bsNone);
  EXPECT_TRUE(form.IsFullScreenView());
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->geometry() == window->screen()->geometry(); }));
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_EQ(form.FrameMargins(), QMargins());

  form.SetWindowState(wsNormal);
  form.SetBorderStyle(bsSizeable);
  EXPECT_EQ(form.WindowState(), wsNormal);
  EXPECT_FALSE(form.IsFullScreenView());
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->geometry() != window->screen()->geometry(); }));
  EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST_F(FormTest, TheStateIsTheWindowsOwnAlsoWhenTheDesktopMaximisedIt) {
  TLPForm form;
  form.SetBounds(10, 10, 300, 200);
  form.Show();
  form.Widget()->showMaximized();
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_FALSE(form.IsFullScreenView());
  form.Widget()->showMinimized();
  EXPECT_EQ(form.WindowState(), wsMinimized);
  form.Show();
  EXPECT_NE(form.WindowState(), wsMinimized);
}

TEST_F(FormTest, StayOnTopKeepsTheWindowWhereItWas) {
  TLPForm form;
  form.SetBounds(40, 50, 300, 200);
  form.Show();
  QWidget* window = form.Widget();
  const QRect before = window->geometry();
  form.SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->geometry(), before);
  form.SetFormStyle(fsNormal);
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(window->geometry(), before);
}

// Window rules and screen recorders follow a window by its native window.
TEST_F(FormTest, StayOnTopAndFrameKeepTheNativeWindow) {
  TLPForm form;
  form.SetBounds(40, 50, 300, 200);
  form.Show();
  QWidget* window = form.Widget();
  const QWindow* native = window->windowHandle();
  const WId id = window->winId();
  form.SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(native->flags().testFlag(Qt::WindowStaysOnTopHint));
  form.SetBorderStyle(bsNone);
  EXPECT_TRUE(native->flags().testFlag(Qt::FramelessWindowHint));
  form.SetBorderStyle(bsSizeable);
  form.SetFormStyle(fsNormal);
  EXPECT_EQ(window->windowHandle(), native);
  EXPECT_EQ(window->winId(), id);
  EXPECT_FALSE(native->flags() & (Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint));
}

TEST_F(FormTest, AnOwnedWindowIsCentredOnItsOwnerEachTimeItAppears) {
  TLPForm owner;
  owner.SetBounds(100, 80, 600, 400);
  owner.Show();
  TDialogTestForm dialog;
  ReadComponentDesign(&dialog, QByteArray(kDialog));
  dialog.SetOwnerForm(&owner);
  dialog.Show();
  QWidget* window = dialog.Widget();
  EXPECT_EQ(window->parentWidget(), owner.Widget());
  EXPECT_TRUE(window->isWindow());
  const auto centred = [&] {
    return (window->frameGeometry().center() - owner.Widget()->frameGeometry().center()).manhattanLength() <= 2;
  };
  EXPECT_TRUE(testtools::PumpUntil(centred));
  // Shown again while open: brought up where it is, not moved.
  window->move(5, 5);
  const QPoint moved = window->pos();
  dialog.Show();
  EXPECT_EQ(window->pos(), moved);
  // Hidden and shown again: centred again.
  dialog.Hide();
  owner.SetBounds(200, 100, 600, 400);
  dialog.Show();
  EXPECT_TRUE(testtools::PumpUntil(centred));
}

TEST_F(FormTest, ClosingTheMainFormEndsTheEventLoopOthersOnlyHide) {
  TLPForm main;
  TLPForm other;
  main.Show();
  other.Show();
  TLPForm::SetMainForm(&main);
  bool otherHidden = false;
  bool timedOut = false;
  QTimer::singleShot(0, [&] {
    other.Close();
    otherHidden = !other.Widget()->isVisible();
    // With another window still open, Qt alone would keep running.
    other.Show();
    main.Close();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timedOut = true;
    QCoreApplication::quit();
  });
  watchdog.start(10000);
  QApplication::exec();
  TLPForm::SetMainForm(nullptr);
  EXPECT_TRUE(otherHidden);
  EXPECT_FALSE(timedOut);
  EXPECT_FALSE(main.Widget()->isVisible());
}

TEST(FontMapping, JapaneseGothicNamesBecomeAnInstalledJapaneseFace) {
  const QString pgothic = QString::fromUtf8("ＭＳ Ｐゴシック");
  const QString gothic = QString::fromUtf8("ＭＳ ゴシック");
  const QStringList ipa = {QStringLiteral("DejaVu Sans"), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")};
  EXPECT_EQ(MapFontFamily(pgothic, SHIFTJIS_CHARSET, ipa), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(MapFontFamily(gothic, SHIFTJIS_CHARSET, ipa), QStringLiteral("IPAGothic"));
  EXPECT_EQ(MapFontFamily(QStringLiteral("ms pgothic"), DEFAULT_CHARSET, ipa), QStringLiteral("IPAPGothic"));
  const QStringList noto = {QStringLiteral("Noto Sans CJK JP")};
  EXPECT_EQ(MapFontFamily(pgothic, SHIFTJIS_CHARSET, noto), QStringLiteral("Noto Sans CJK JP"));
  EXPECT_EQ(MapFontFamily(gothic, SHIFTJIS_CHARSET, noto), QStringLiteral("Noto Sans CJK JP"));
  // An unknown face with the Japanese character set is taken as Japanese too.
  EXPECT_EQ(MapFontFamily(QStringLiteral("Some Face"), SHIFTJIS_CHARSET, ipa), QStringLiteral("IPAPGothic"));
  // Installed faces and other names stay; nothing installed leaves the fallback to Qt.
  EXPECT_EQ(MapFontFamily(QStringLiteral("DejaVu Sans"), SHIFTJIS_CHARSET, ipa), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(MapFontFamily(QStringLiteral("Some Face"), DEFAULT_CHARSET, ipa), QStringLiteral("Some Face"));
  EXPECT_EQ(MapFontFamily(pgothic, SHIFTJIS_CHARSET, {}), pgothic);
  EXPECT_EQ(MapFontFamily(QString(), SHIFTJIS_CHARSET, ipa), QString());
}

TEST(FontMapping, HeightsAndPointSizesAtTheDesignDensity) {
  TFont font;
  int changes = 0;
  font.SetOnChange([&] { ++changes; });
  font.SetHeight(-12);
  EXPECT_EQ(font.Size(), 9);
  font.SetSize(11);
  EXPECT_EQ(font.Height(), -15);
  EXPECT_EQ(font.ToQFont().pixelSize(), 15);
  font.SetStyle(TFontStyles(fsBold) | fsItalic);
  EXPECT_TRUE(font.ToQFont().bold());
  EXPECT_TRUE(font.ToQFont().italic());
  font.SetHeight(-15);  // unchanged: no notice
  EXPECT_EQ(changes, 3);
  // A positive height is the whole line: the characters come out smaller.
  font.SetHeight(20);
  EXPECT_LT(font.ToQFont().pixelSize(), 20);
  EXPECT_GT(font.ToQFont().pixelSize(), 10);
}

TEST(ErrorMessageBox, TheMessageUnderTheApplicationsTitle) {
  const QString before = ApplicationTitle();
  SetApplicationTitle(QStringLiteral("Lumicar"));
  auto box = MakeErrorMessageBox(QStringLiteral("Can't start capture. <b>"));
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Lumicar"));
  EXPECT_EQ(box->text(), QStringLiteral("Can't start capture. <b>"));
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  SetApplicationTitle(before);
}

}  // namespace
}  // namespace lumicar::test

#include "form_test.moc"
