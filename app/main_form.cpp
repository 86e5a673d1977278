#include "app/main_form.h"

#include <QKeySequence>
#include <QShortcut>

#include "app/about_form.h"
#include "app/app_log.h"
#include "app/viewer_classes.h"
#include "capture/video_dialogs.h"
#include "ui/application.h"

namespace lumicar {

const char* const TForm1::kFullScreenCaption = "フルスクリーン";
const char* const TForm1::kReturnCaption = "640X480";
const char* const TForm1::kMaximiseCaption = "サイズを最大化";
const char* const TForm1::kRestoreCaption = "元のサイズに戻す";
const char* const TForm1::kKeepOnTopCaption = "常に手前に表示する";
const char* const TForm1::kStopOnTopCaption = "常に手前に表示しない";
const char* const TForm1::kSpeedCaption = "速度優先";
const char* const TForm1::kQualityCaption = "画質優先";
const char* const TForm1::kFreeAspectCaption = "縦横比を固定しない";
const char* const TForm1::kKeepAspectCaption = "縦横比を固定する";

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TForm1::TForm1(TComponent* owner) : TLPForm(owner) {
  // Everything the design names must be known before it is read.
  RegisterViewerClasses();
}

TForm1::~TForm1() = default;

QString TForm1::DesignResource() const { return QStringLiteral(":/app/main_form.form"); }

void TForm1::Loaded() {
  TLPForm::Loaded();
  VLDSCapture1 = Field<TVLDSCapture>(QStringLiteral("VLDSCapture1"));
  VLMirror1 = Field<TVLMirror>(QStringLiteral("VLMirror1"));
  VLDSImageDisplay1 = Field<TVLDSImageDisplay>(QStringLiteral("VLDSImageDisplay1"));
  PopupMenu1 = Field<TPopupMenu>(QStringLiteral("PopupMenu1"));
  TMenuItem** const items[] = {&N11,     &N2,  &hanten, &Top,   &Speed, &N5,    &N8, &N9,    &N12,    &N13,    &N21,
                               &N14,     &N01, &N15,    &N22,   &N31,   &N10,   &N6, &YUY21, &UYVY1,  &RGB241, &RGB5551,
                               &RGBA321, &N7,  &VGA1,   &SVGA1, &SXGA1, &UXGA1, &N4, &N1,    &About1, &N3,     &Exit1};
  const char* const names[] = {"N11",   "N2",    "hanten", "Top",     "Speed",   "N5",   "N8",   "N9",    "N12",
                               "N13",   "N21",   "N14",    "N01",     "N15",     "N22",  "N31",  "N10",   "N6",
                               "YUY21", "UYVY1", "RGB241", "RGB5551", "RGBA321", "N7",   "VGA1", "SVGA1", "SXGA1",
                               "UXGA1", "N4",    "N1",     "About1",  "N3",      "Exit1"};
  static_assert(std::size(items) == std::size(names));
  for (std::size_t i = 0; i < std::size(items); ++i) *items[i] = Field<TMenuItem>(QString::fromLatin1(names[i]));
  AddKeys();
}

void TForm1::AddKeys() {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Widget());
  connect(escape, &QShortcut::activated, this, [this] {
    if (IsFullScreenView()) RunHandled([this] { N11Click(this); });
  });
  auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), Widget());
  connect(f11, &QShortcut::activated, this, [this] { RunHandled([this] { N11Click(this); }); });
}

void TForm1::SetAboutForm(TForm2* about) { about_ = about; }
TForm2* TForm1::AboutForm() const { return about_.data(); }

void TForm1::WithRestart(const std::function<void()>& change) {
  VLDSCapture1->Stop();
  try {
    change();
  } catch (...) {
    // A change that failed half way must not leave the camera off.
    try {
      VLDSCapture1->Start();
    } catch (const Exception& e) {
      // The first failure is the one to report; this one is only written.
      qCWarning(lcStartup).noquote() << "Starting the camera again after a failed change failed:" << e.Message();
    }
    throw;
  }
  VLDSCapture1->Start();
}

// ---- Window presentation ----

void TForm1::N11Click(QObject*) {
  WithRestart([this] {
    if (WindowState() == wsMaximized) {
      SetWindowState(wsNormal);
      SetBorderStyle(bsSizeable);
      SetHeight(kNormalHeight);
      SetWidth(kNormalWidth);
      CenterOnScreen();
      N11->SetCaption(Text(kFullScreenCaption));
      N2->SetCaption(Text(kMaximiseCaption));
      N2->SetEnabled(true);
    } else {
      SetWindowState(wsMaximized);
      SetBorderStyle(bsNone);
      N11->SetCaption(Text(kReturnCaption));
      N2->SetEnabled(false);
    }
  });
}

void TForm1::N2Click(QObject*) {
  if (WindowState() == wsMaximized) {
    SetWindowState(wsNormal);
    N2->SetCaption(Text(kMaximiseCaption));
    N11->SetCaption(Text(kFullScreenCaption));
  } else {
    SetWindowState(wsMaximized);
    N2->SetCaption(Text(kRestoreCaption));
    N11->SetCaption(Text(kReturnCaption));
  }
}

void TForm1::VLDSImageDisplay1DblClick(QObject* Sender) { N11Click(Sender); }

void TForm1::VLDSCapture1CameraStatus(QObject*, TVLCameraStatus Status, QString Text) {
  if (VLDSImageDisplay1) VLDSImageDisplay1->SetStatusText(Text, Status != cstLowBandwidth);
}

void TForm1::TopClick(QObject*) {
  // Maximised or full screen the window covers everything anyway.
  if (WindowState() == wsMaximized) return;
  WithRestart([this] {
    if (!Top->Checked()) {
      Top->SetCaption(Text(kStopOnTopCaption));
      Top->SetChecked(true);
      SetFormStyle(fsStayOnTop);
    } else {
      Top->SetCaption(Text(kKeepOnTopCaption));
      Top->SetChecked(false);
      SetFormStyle(fsNormal);
    }
  });
}

// ---- The picture ----

void TForm1::hantenClick(QObject*) {
  WithRestart([this] { VLMirror1->SetEnabled(!VLMirror1->IsEnabled()); });
}

void TForm1::N4Click(QObject*) {
  WithRestart([this] {
    if (VLDSImageDisplay1->Proportional()) {
      VLDSImageDisplay1->SetProportional(false);
      N4->SetCaption(Text(kKeepAspectCaption));
    } else {
      VLDSImageDisplay1->SetProportional(true);
      N4->SetCaption(Text(kFreeAspectCaption));
    }
  });
}

// ---- Capture size and format ----

void TForm1::SpeedClick(QObject*) {
  WithRestart([this] {
    VLDSImageDisplay1->SetProportional(false);
    TVLOptionalVideoSize* size = VLDSCapture1->VideoSize();
    if (!Speed->Checked()) {
      Speed->SetCaption(Text(kQualityCaption));
      Speed->SetChecked(true);
      size->SetHeight(480);
      size->SetWidth(640);
    } else {
      Speed->SetCaption(Text(kSpeedCaption));
      Speed->SetChecked(false);
      size->SetHeight(1200);
      size->SetWidth(1600);
    }
    MarkVideoSize(size->Width(), size->Height());
  });
}

void TForm1::N9Click(QObject*) {
  WithRestart([this] {
    VLDSImageDisplay1->SetProportional(false);
    VLDSCapture1->VideoSize()->SetHeight(1200);
    VLDSCapture1->VideoSize()->SetWidth(1600);
    MarkVideoSize(1600, 1200);
  });
}

void TForm1::SetFixedSize(uint32_t width, uint32_t height) {
  WithRestart([this, width, height] {
    TVLOptionalVideoSize* size = VLDSCapture1->VideoSize();
    size->SetCurrent(false);
    size->SetHeight(height);
    size->SetWidth(width);
    MarkVideoSize(width, height);
  });
}

void TForm1::MarkVideoSize(uint32_t width, uint32_t height) {
  struct TSizeItem {
    TMenuItem* item;
    uint32_t width, height;
  };
  const TSizeItem sizes[] = {{VGA1, 640, 480}, {SVGA1, 800, 600}, {SXGA1, 1280, 1024}, {UXGA1, 1600, 1200}};
  for (const TSizeItem& s : sizes) {
    if (s.width == width && s.height == height) {
      s.item->SetChecked(true);
      return;
    }
  }
  for (const TSizeItem& s : sizes) s.item->SetChecked(false);
}

void TForm1::N7Click(QObject*) {}
void TForm1::VGA1Click(QObject*) { SetFixedSize(640, 480); }
void TForm1::SVGA1Click(QObject*) { SetFixedSize(800, 600); }
void TForm1::SXGA1Click(QObject*) { SetFixedSize(1280, 1024); }
void TForm1::UXGA1Click(QObject*) { SetFixedSize(1600, 1200); }

void TForm1::SetFormat(TVLVideoFormat format) {
  WithRestart([this, format] { VLDSCapture1->SetVideoFormat(format); });
}

void TForm1::YUY21Click(QObject*) { SetFormat(vfYUY2); }
void TForm1::UYVY1Click(QObject*) { SetFormat(vfUYVY); }
void TForm1::RGB241Click(QObject*) { SetFormat(vfRGB24); }
void TForm1::RGB5551Click(QObject*) { SetFormat(vfRGB555); }
void TForm1::RGBA321Click(QObject*) { SetFormat(vfRGBA32); }

// ---- Camera adjustments, its settings page, the device ----

void TForm1::N12Click(QObject*) { VLDSCapture1->Adjustment()->Brightness()->SetMode(amAutomatic); }

void TForm1::SetBrightnessPreset(int value) {
  TVLDSAdjustment* adjustment = VLDSCapture1->Adjustment();
  adjustment->BacklightCompensation()->SetMode(amManual);
  adjustment->Brightness()->SetMode(amManual);
  adjustment->Brightness()->SetValue(value);
}

void TForm1::N13Click(QObject*) { SetBrightnessPreset(-255); }
void TForm1::N21Click(QObject*) { SetBrightnessPreset(-255); }
void TForm1::N01Click(QObject*) { SetBrightnessPreset(0); }
void TForm1::N22Click(QObject*) { SetBrightnessPreset(100); }

void TForm1::N10Click(QObject*) {
  WithRestart([this] { VLDSCapture1->ShowVideoDialog(cdVideoSource); });
}

void TForm1::N1Click(QObject*) {
  WithRestart([this] { VLDSCapture1->VideoCaptureDevice()->ShowDeviceSelctDialog(); });
}

// ---- About and exit ----

void TForm1::About1Click(QObject*) {
  if (about_) about_->Show();
}

void TForm1::Exit1Click(QObject*) { Close(); }

}  // namespace lumicar
