#pragma once
// TForm2: the About window. It shows the program's name, version and date and
// is closed with OK; closing only hides it, so the one window made at start-up
// is shown again each time it is asked for.

#include "ui/button.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/panel.h"

namespace lumicar {

class TForm2 : public TLPForm {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TForm2(lumicar::TComponent* owner = nullptr);

  QString DesignResource() const override;
  // Binds the members below to the design's components.
  void Loaded() override;

  // The OK button: hides the window.
  Q_INVOKABLE void Button1Click(QObject* Sender);

  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;  // the program's name
  TLabel* Label2 = nullptr;  // version
  TLabel* Label3 = nullptr;  // author line
  TLabel* Label4 = nullptr;  // notice line
  TLabel* Label5 = nullptr;  // contact line
  TLabel* Label6 = nullptr;  // date
  TLabel* Label7 = nullptr;  // library credit line
  TButton* Button1 = nullptr;
};

}  // namespace lumicar
