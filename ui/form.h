#pragma once
// TLPForm: a top-level window made from a text design. It owns the components
// of its design (controls, menus, filters), shows its caption in its font and
// colour, and has the window settings designs give: start size and place
// (centred on its screen or on its owner), window state, frame or none,
// stay-on-top, a context menu. Maximised without a frame it covers its whole
// screen: the full-screen view.
//
// Width and Height are the outer size, frame included, as far as the window
// manager tells the frame's size; ClientWidth and ClientHeight the inside.

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QString>

#include "runtime/exception.h"
#include "ui/form_types.h"
#include "ui/text_control.h"
#include "ui/window_presentation.h"

namespace lumicar {

class TLPForm : public TLPTextControl {
  Q_OBJECT
  Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth STORED false)
  Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight STORED false)
  Q_PROPERTY(lumicar::form_types::TPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(lumicar::form_types::TWindowState WindowState READ WindowState WRITE SetWindowState)
  Q_PROPERTY(lumicar::form_types::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(lumicar::form_types::TFormStyle FormStyle READ FormStyle WRITE SetFormStyle)
  Q_CLASSINFO("Default.Color", "clBtnFace")
  Q_CLASSINFO("Default.Position", "poDefault")
  Q_CLASSINFO("Default.WindowState", "wsNormal")
  Q_CLASSINFO("Default.BorderStyle", "bsSizeable")
  Q_CLASSINFO("Default.FormStyle", "fsNormal")

 public:
  Q_INVOKABLE explicit TLPForm(lumicar::TComponent* owner = nullptr);
  // Frees the design's components while the window still exists.
  ~TLPForm() override;

  // Reads the design named by DesignResource() when there is one (forms made
  // by NewComponent or by the class registry).
  void AfterConstruction() override;
  // Orders the keyboard focus among the design's controls by their TabOrder.
  void Loaded() override;
  // The design compiled into the program for this form class; none here.
  virtual QString DesignResource() const { return {}; }

  // ---- Bounds: outer size and place of the frame ----
  int Width() const override;
  int Height() const override;
  void SetBounds(int left, int top, int width, int height) override;
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int value);
  void SetClientHeight(int value);
  // The frame around the inside: as the window manager last reported it for
  // a framed window, none without a frame.
  QMargins FrameMargins() const;

  // ---- Window settings ----
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  // The window's actual state: maximised also when the user maximised it
  // through its frame, and in the full-screen view.
  TWindowState WindowState() const;
  void SetWindowState(TWindowState value);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value);
  // True while the window covers its screen without a frame.
  bool IsFullScreenView() const;
  // True when the window shows the state, size and place last given to it
  // (the window manager may answer some time after the request).
  bool PresentationSettled() const { return presentation_->Settled(); }

  // Makes this window belong to owner's window: it stays above it, and
  // poOwnerFormCenter centres it there. None: a window of its own.
  void SetOwnerForm(TLPForm* owner);
  TLPForm* OwnerForm() const { return ownerForm_.data(); }

  // ---- Showing ----
  // Shows the window in its state, applying Position; an already visible
  // window is only brought to the front.
  void Show();
  void Hide();
  // Closes the window: it is hidden; closing the application's main form ends
  // the program's event loop.
  void Close();
  // Places the outer frame in the middle of the available area of the window's screen.
  void CenterOnScreen();
  // Places the outer frame in the middle of another window's frame, kept on its screen.
  void CenterOn(const QWidget* other);

  // The form whose closing ends the program (the first form the program shows).
  static void SetMainForm(TLPForm* form);
  static TLPForm* MainForm();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void ApplyCaption() override;

  // Finds a component of the design by name and class; EComponentError naming
  // what is missing otherwise (a design that does not fit its form class).
  template <typename T>
  T* Field(const QString& name) const {
    auto* found = qobject_cast<T*>(FindComponent(name));
    if (found == nullptr) MissingField(name, T::staticMetaObject.className());
    return found;
  }

 private:
  [[noreturn]] void MissingField(const QString& name, const char* className) const;
  // Qt's window flags for the frame and stay-on-top settings; re-shows a
  // visible window in its state and place after the change.
  void ApplyWindowFlags();
  // Qt's state for a window state with the current frame.
  Qt::WindowStates QtStateFor(TWindowState state) const;
  // Puts the window into the state (with or without a frame) it should have.
  void ApplyWindowState(TWindowState state);
  // Remembers where the window goes back to from the full-screen or maximised
  // view: its outer rectangle, frame included.
  void NoteRestoreGeometry();
  // Tells the presentation what the window is to show now.
  void AskPresentation();
  void ApplyFixedSize();
  // Gives the full-screen view its screen's whole area.
  void PlaceFullScreen();
  // Notes the frame once the window manager tells it, and then gives the window
  // the outer size and centring asked for before.
  void UpdateFrameMargins();

  TPosition position_ = poDefault;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  QPointer<TLPForm> ownerForm_;
  bool shownOnce_ = false;
  // The frame as last seen around a framed window (window managers tell it only
  // once the window is on screen).
  QMargins frameMargins_;
  bool marginsKnown_ = false;
  // An outer size and place asked for before the frame was known.
  QRect pendingOuter_;
  bool recenterPending_ = false;
  QPointer<const QWidget> recenterOn_;
  // Set while the window is in the full-screen view (a bare X server reports
  // window states only as far as the window itself asked for them).
  bool fullScreenView_ = false;
  QRect restoreGeometry_;  // outer, frame included
  // The outer rectangle last given to the normal window, and the state last
  // asked for.
  QRect askedOuter_;
  TWindowState presentedState_ = wsNormal;
  TWindowPresentation* presentation_ = nullptr;  // belongs to the window
};

}  // namespace lumicar
