// The About window read from its design: texts, places, fonts, hidden until
// shown, OK and the close box hide it; shown again it is the same window,
// centred on the main window.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/about_form.h"
#include "app/viewer_classes.h"
#include "runtime/component.h"
#include "testing/event_pump.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

QString LabelText(TLabel* label) { return static_cast<QLabel*>(label->Widget())->text(); }

TEST(AboutWindow, TheDesignGivesTextsPlacesAndFonts) {
  RegisterViewerClasses();
  std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
  QWidget* window = about->Widget();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("バージョン情報"));
  EXPECT_EQ(about->Width(), 290);
  EXPECT_EQ(about->Height(), 176);
  EXPECT_EQ(about->BorderStyle(), bsDialog);
  EXPECT_EQ(about->Position(), poOwnerFormCenter);
  EXPECT_EQ(window->font().pixelSize(), 12);

  EXPECT_EQ(about->Panel1->Widget()->geometry(), QRect(8, 8, 265, 97));
  EXPECT_EQ(about->Button1->Widget()->geometry(), QRect(96, 112, 81, 25));
  EXPECT_EQ(static_cast<QPushButton*>(about->Button1->Widget())->text(), QStringLiteral("OK"));
  EXPECT_EQ(LabelText(about->Label1), QStringLiteral("Lumicar"));
  EXPECT_EQ(LabelText(about->Label2), QStringLiteral("Ver.1.12"));
  EXPECT_EQ(LabelText(about->Label6), QStringLiteral("2012.4.7"));
  for (TLabel* line : {about->Label3, about->Label4, about->Label5, about->Label7}) {
    EXPECT_FALSE(LabelText(line).isEmpty());
  }
  EXPECT_EQ(about->Label1->Widget()->font().pixelSize(), 21);
  for (TLabel* label : {about->Label2, about->Label3, about->Label4, about->Label5, about->Label6, about->Label7}) {
    EXPECT_EQ(label->Widget()->font().pixelSize(), 15);
    EXPECT_EQ(label->Widget()->parentWidget(), about->Panel1->Widget());
    // Every label is whole inside the panel, whatever the face's widths.
    EXPECT_TRUE(about->Panel1->Widget()->rect().contains(label->Widget()->geometry())) << label->Name().toStdString();
  }
  EXPECT_EQ(QPoint(about->Label2->Left(), about->Label2->Top()), QPoint(152, 6));
  EXPECT_EQ(QPoint(about->Label7->Left(), about->Label7->Top()), QPoint(104, 77));
}

TEST(AboutWindow, OkAndTheCloseBoxHideItForTheNextShow) {
  RegisterViewerClasses();
  TLPForm owner;
  owner.SetBounds(300, 200, 648, 514);
  owner.Show();
  std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
  about->SetOwnerForm(&owner);
  QWidget* window = about->Widget();
  const auto centred = [&] {
    return (window->frameGeometry().center() - owner.Widget()->frameGeometry().center()).manhattanLength() <= 2;
  };
  about->Show();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(testtools::PumpUntil(centred));
  static_cast<QPushButton*>(about->Button1->Widget())->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(owner.Widget()->isVisible());

  owner.SetBounds(100, 50, 648, 514);
  about->Show();
  EXPECT_TRUE(testtools::PumpUntil(centred));
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(owner.Widget()->isVisible());
  about->Show();
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace lumicar::test
