#pragma once
// TForm1: the viewer's main window. Its design holds the chain capture ->
// mirror -> display, linked by stored pin links, and the pop-up menu; the
// window itself only carries out the menu's commands (and the double-click on
// the picture, which is the full-screen command) by setting properties of the
// three components and of itself, keeping the captions and check marks in step.
//
// Every caption names what its command does next, not the current state. The
// window's presentation is decided from its actual window state alone: normal;
// maximised (by the maximise command or through its frame); or full screen
// (maximised without a frame).

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "app/viewer_settings.h"
#include "capture/ds_capture.h"
#include "display/control/ds_image_display.h"
#include "filters/mirror.h"
#include "ui/form.h"
#include "ui/menu_item.h"
#include "ui/popup_menu.h"

namespace lumicar {

class TForm2;

class TForm1 : public TLPForm {
  Q_OBJECT
 public:
  // The captions the commands switch between.
  static const char* const kFullScreenCaption;  // "フルスクリーン"
  static const char* const kReturnCaption;      // "640X480"
  static const char* const kMaximiseCaption;    // "サイズを最大化"
  static const char* const kRestoreCaption;     // "元のサイズに戻す"
  static const char* const kKeepOnTopCaption;   // "常に手前に表示する"
  static const char* const kStopOnTopCaption;   // "常に手前に表示しない"
  static const char* const kSpeedCaption;       // "速度優先"
  static const char* const kQualityCaption;     // "画質優先"
  static const char* const kFreeAspectCaption;  // "縦横比を固定しない"
  static const char* const kKeepAspectCaption;  // "縦横比を固定する"
  // The outer size the window returns to from the full-screen view.
  static constexpr int kNormalWidth = 648;
  static constexpr int kNormalHeight = 514;

  // How often the info box is brought up to date.
  static constexpr int kInfoIntervalMs = 500;

  Q_INVOKABLE explicit TForm1(lumicar::TComponent* owner = nullptr);
  ~TForm1() override;

  QString DesignResource() const override;
  // Binds the members below to the design's components and, with a
  // settings store, gives them what the user chose in the last run, before
  // any of them starts (so the camera starts once, as chosen).
  void DesignRead() override;
  // Binds again (a design may be read into a window more than once) and adds
  // the keys.
  void Loaded() override;

  // The About window the version command shows (made once at start-up).
  void SetAboutForm(TForm2* about);
  TForm2* AboutForm() const;

  // ---- Command handlers (the design binds them by name) ----
  Q_INVOKABLE void N11Click(QObject* Sender);     // full screen / back to 640 x 480
  Q_INVOKABLE void N2Click(QObject* Sender);      // maximise / restore
  Q_INVOKABLE void hantenClick(QObject* Sender);  // flip upside down
  Q_INVOKABLE void TopClick(QObject* Sender);     // keep in front
  Q_INVOKABLE void SpeedClick(QObject* Sender);   // speed first / quality first
  Q_INVOKABLE void N9Click(QObject* Sender);      // the brightness submenu opens
  Q_INVOKABLE void N12Click(QObject* Sender);     // brightness automatic
  Q_INVOKABLE void N13Click(QObject* Sender);     // "-3"
  Q_INVOKABLE void N21Click(QObject* Sender);     // "-2"
  Q_INVOKABLE void N01Click(QObject* Sender);     // "0"
  Q_INVOKABLE void N22Click(QObject* Sender);     // "2"
  Q_INVOKABLE void N10Click(QObject* Sender);     // the camera's settings page
  Q_INVOKABLE void YUY21Click(QObject* Sender);
  Q_INVOKABLE void UYVY1Click(QObject* Sender);
  Q_INVOKABLE void RGB241Click(QObject* Sender);
  Q_INVOKABLE void RGB5551Click(QObject* Sender);
  Q_INVOKABLE void RGBA321Click(QObject* Sender);
  Q_INVOKABLE void N7Click(QObject* Sender);  // the fixed-size submenu opens: nothing
  Q_INVOKABLE void VGA1Click(QObject* Sender);
  Q_INVOKABLE void SVGA1Click(QObject* Sender);
  Q_INVOKABLE void SXGA1Click(QObject* Sender);
  Q_INVOKABLE void UXGA1Click(QObject* Sender);
  Q_INVOKABLE void N4Click(QObject* Sender);  // keep or release the aspect ratio
  Q_INVOKABLE void N1Click(QObject* Sender);  // choose the camera
  // The display tools (submenu "表示ツール"): the picture held, saved as a
  // file or copied, turned by quarter turns, the zoom undone, the info box.
  Q_INVOKABLE void Freeze1Click(QObject* Sender);
  Q_INVOKABLE void Snapshot1Click(QObject* Sender);
  Q_INVOKABLE void Copy1Click(QObject* Sender);
  Q_INVOKABLE void RotateRight1Click(QObject* Sender);
  Q_INVOKABLE void RotateLeft1Click(QObject* Sender);
  Q_INVOKABLE void ZoomReset1Click(QObject* Sender);
  Q_INVOKABLE void Info1Click(QObject* Sender);
  Q_INVOKABLE void About1Click(QObject* Sender);  // version information
  Q_INVOKABLE void Exit1Click(QObject* Sender);
  Q_INVOKABLE void VLDSImageDisplay1DblClick(QObject* Sender);
  // The camera's status goes onto the picture (a notice of a reduced format
  // stays while frames flow; the others go with the next frame).
  Q_INVOKABLE void VLDSCapture1CameraStatus(QObject* Sender, lumicar::camera_status::TVLCameraStatus Status,
                                            QString Text);

  // ---- The design's components ----
  TVLDSCapture* VLDSCapture1 = nullptr;
  TVLMirror* VLMirror1 = nullptr;
  TVLDSImageDisplay* VLDSImageDisplay1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem *N11 = nullptr, *N2 = nullptr, *hanten = nullptr, *Top = nullptr, *Speed = nullptr;
  TMenuItem *N5 = nullptr, *N8 = nullptr, *N9 = nullptr, *N12 = nullptr, *N13 = nullptr, *N21 = nullptr;
  TMenuItem *N14 = nullptr, *N01 = nullptr, *N15 = nullptr, *N22 = nullptr, *N31 = nullptr, *N10 = nullptr;
  TMenuItem *N6 = nullptr, *YUY21 = nullptr, *UYVY1 = nullptr, *RGB241 = nullptr, *RGB5551 = nullptr,
            *RGBA321 = nullptr;
  TMenuItem *N7 = nullptr, *VGA1 = nullptr, *SVGA1 = nullptr, *SXGA1 = nullptr, *UXGA1 = nullptr;
  TMenuItem *N4 = nullptr, *N1 = nullptr, *About1 = nullptr, *N3 = nullptr, *Exit1 = nullptr;
  TMenuItem *Tools1 = nullptr, *Freeze1 = nullptr, *Snapshot1 = nullptr, *Copy1 = nullptr, *N16 = nullptr;
  TMenuItem *RotateRight1 = nullptr, *RotateLeft1 = nullptr, *ZoomReset1 = nullptr, *N17 = nullptr, *Info1 = nullptr;

  // Chooses a camera by its shown name with a restart of the capture, as the
  // device command does with the dialog's answer.
  void ChooseCamera(const QString& shownName);

  // Where snapshots are saved: the pictures folder's "Lumicar" unless set.
  void SetSnapshotFolder(const QString& folder) { snapshotFolder_ = folder; }
  QString SnapshotFolder() const;
  // The info box's text from the counts now (frames shown a second since the
  // last call, the camera's size and format, frames dropped).
  QString InfoText();
  // The choices as they stand, as the settings keep them.
  TViewerSettings CurrentSettings() const;

 private:
  // Esc leaves the full-screen view, F11 toggles it: the full-screen command.
  void AddKeys();
  // Stops the capture, makes the change, starts the capture again, whatever
  // the change or the dialogs in it returned.
  void WithRestart(const std::function<void()>& change);
  void SetBrightnessPreset(int value);
  void SetFormat(TVLVideoFormat format);
  void SetFixedSize(uint32_t width, uint32_t height);
  // The size items show the size last chosen through the menu.
  void MarkVideoSize(uint32_t width, uint32_t height);

  void BindFields();
  // Gives the design's components and the window the kept choices.
  void ApplySettings(const TViewerSettings& settings);
  // Writes the choices to the store, when there is one.
  void SaveSettings();
  // Maximised or full screen, as the commands make it (no restart).
  void ApplyPresentation(TViewerPresentation presentation);
  void ShowInfo(bool shown);
  void UpdateInfo();
  void TurnBy(int quarterTurns);
  bool eventFilter(QObject* watched, QEvent* event) override;

  QPointer<TForm2> about_;
  QString snapshotFolder_;
  // The outer rectangle of the window when last seen in the normal state.
  std::optional<QRect> normalGeometry_;
  // The presentation kept from the last run, until the window is shown.
  std::optional<TViewerPresentation> pendingPresentation_;
  QTimer geometrySave_;  // the window stopped moving: keep where it is
  QTimer infoTimer_;
  QElapsedTimer infoClock_;
  uint64_t infoPresented_ = 0;
  double infoRate_ = 0;
};

}  // namespace lumicar
