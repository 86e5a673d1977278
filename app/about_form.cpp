#include "app/about_form.h"

#include "app/viewer_classes.h"

namespace lumicar {

TForm2::TForm2(TComponent* owner) : TLPForm(owner) {
  // Everything the design names must be known before it is read.
  RegisterViewerClasses();
}

QString TForm2::DesignResource() const { return QStringLiteral(":/app/about_form.form"); }

void TForm2::Loaded() {
  TLPForm::Loaded();
  Panel1 = Field<TPanel>(QStringLiteral("Panel1"));
  Label1 = Field<TLabel>(QStringLiteral("Label1"));
  Label2 = Field<TLabel>(QStringLiteral("Label2"));
  Label3 = Field<TLabel>(QStringLiteral("Label3"));
  Label4 = Field<TLabel>(QStringLiteral("Label4"));
  Label5 = Field<TLabel>(QStringLiteral("Label5"));
  Label6 = Field<TLabel>(QStringLiteral("Label6"));
  Label7 = Field<TLabel>(QStringLiteral("Label7"));
  Button1 = Field<TButton>(QStringLiteral("Button1"));
}

void TForm2::Button1Click(QObject*) { Close(); }

}  // namespace lumicar
