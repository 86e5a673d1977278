#include "app/main_form.h"

#include <QClipboard>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMetaEnum>
#include <QScreen>
#include <QShortcut>
#include <utility>

#include "app/about_form.h"
#include "app/app_log.h"
#include "app/snapshot_file.h"
#include "app/viewer_classes.h"
#include "capture/video_dialogs.h"
#include "ui/application.h"
#include "ui/message_box.h"

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
  geometrySave_.setSingleShot(true);
  geometrySave_.setInterval(1000);
  connect(&geometrySave_, &QTimer::timeout, this, [this] { SaveSettings(); });
  infoTimer_.setInterval(kInfoIntervalMs);
  connect(&infoTimer_, &QTimer::timeout, this, [this] { UpdateInfo(); });
}

TForm1::~TForm1() = default;

QString TForm1::DesignResource() const { return QStringLiteral(":/app/main_form.form"); }

void TForm1::DesignRead() {
  TLPForm::DesignRead();
  BindFields();
  if (TViewerSettingsStore* store = ViewerSettingsStore()) ApplySettings(store->Load());
}

void TForm1::Loaded() {
  TLPForm::Loaded();
  BindFields();
  AddKeys();
}

void TForm1::BindFields() {
  VLDSCapture1 = Field<TVLDSCapture>(QStringLiteral("VLDSCapture1"));
  VLMirror1 = Field<TVLMirror>(QStringLiteral("VLMirror1"));
  VLDSImageDisplay1 = Field<TVLDSImageDisplay>(QStringLiteral("VLDSImageDisplay1"));
  PopupMenu1 = Field<TPopupMenu>(QStringLiteral("PopupMenu1"));
  TMenuItem** const items[] = {
      &N11,   &N2,    &hanten,       &Top,         &Speed,      &N5,    &N8,     &N9,      &N12,
      &N13,   &N21,   &N14,          &N01,         &N15,        &N22,   &N31,    &N10,     &N6,
      &YUY21, &UYVY1, &RGB241,       &RGB5551,     &RGBA321,    &N7,    &VGA1,   &SVGA1,   &SXGA1,
      &UXGA1, &N4,    &N1,           &About1,      &N3,         &Exit1, &Tools1, &Freeze1, &Snapshot1,
      &Copy1, &N16,   &RotateRight1, &RotateLeft1, &ZoomReset1, &N17,   &Info1};
  const char* const names[] = {
      "N11",   "N2",    "hanten",       "Top",         "Speed",      "N5",    "N8",     "N9",      "N12",
      "N13",   "N21",   "N14",          "N01",         "N15",        "N22",   "N31",    "N10",     "N6",
      "YUY21", "UYVY1", "RGB241",       "RGB5551",     "RGBA321",    "N7",    "VGA1",   "SVGA1",   "SXGA1",
      "UXGA1", "N4",    "N1",           "About1",      "N3",         "Exit1", "Tools1", "Freeze1", "Snapshot1",
      "Copy1", "N16",   "RotateRight1", "RotateLeft1", "ZoomReset1", "N17",   "Info1"};
  static_assert(std::size(items) == std::size(names));
  for (std::size_t i = 0; i < std::size(items); ++i) *items[i] = Field<TMenuItem>(QString::fromLatin1(names[i]));
}

void TForm1::AddKeys() {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Widget());
  connect(escape, &QShortcut::activated, this, [this] {
    if (IsFullScreenView()) RunHandled([this] { N11Click(this); });
  });
  auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), Widget());
  connect(f11, &QShortcut::activated, this, [this] { RunHandled([this] { N11Click(this); }); });
  // The tools' keys, shown in their menu, work with the menu closed too.
  for (TMenuItem* item : {Freeze1, Snapshot1, Copy1, RotateRight1, RotateLeft1, ZoomReset1, Info1}) {
    if (item && !item->ShortCut().isEmpty() && !Widget()->actions().contains(item->Action()))
      Widget()->addAction(item->Action());
  }
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
  SaveSettings();
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
  SaveSettings();
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

void TForm1::ChooseCamera(const QString& shownName) {
  WithRestart([this, &shownName] { VLDSCapture1->VideoCaptureDevice()->SetName(shownName); });
}

void TForm1::N1Click(QObject*) {
  WithRestart([this] { VLDSCapture1->VideoCaptureDevice()->ShowDeviceSelctDialog(); });
}

// ---- Display tools ----

void TForm1::Freeze1Click(QObject*) {
  const bool frozen = !VLDSImageDisplay1->Frozen();
  VLDSImageDisplay1->SetFrozen(frozen);
  Freeze1->SetChecked(frozen);
}

QString TForm1::SnapshotFolder() const {
  return snapshotFolder_.isEmpty() ? lumicar::SnapshotFolder() : snapshotFolder_;
}

void TForm1::Snapshot1Click(QObject*) {
  const QImage picture = VLDSImageDisplay1->Snapshot();
  if (picture.isNull()) {
    ShowErrorMessage(QStringLiteral("There is no picture to save yet."), Widget());
    return;
  }
  const TSnapshotResult result = SaveSnapshot(picture, SnapshotFolder(), QDateTime::currentDateTime());
  if (!result.saved)
    ShowErrorMessage(QStringLiteral("The picture could not be saved as\n%1\n\n%2").arg(result.path, result.reason),
                     Widget());
}

void TForm1::Copy1Click(QObject*) {
  const QImage picture = VLDSImageDisplay1->Snapshot();
  if (picture.isNull()) {
    ShowErrorMessage(QStringLiteral("There is no picture to copy yet."), Widget());
    return;
  }
  QGuiApplication::clipboard()->setImage(picture);
}

void TForm1::TurnBy(int quarterTurns) {
  VLDSImageDisplay1->SetQuarterTurns(VLDSImageDisplay1->QuarterTurns() + quarterTurns);
  SaveSettings();
}

void TForm1::RotateRight1Click(QObject*) { TurnBy(1); }
void TForm1::RotateLeft1Click(QObject*) { TurnBy(-1); }
void TForm1::ZoomReset1Click(QObject*) { VLDSImageDisplay1->ResetView(); }

void TForm1::Info1Click(QObject*) {
  ShowInfo(!Info1->Checked());
  SaveSettings();
}

void TForm1::ShowInfo(bool shown) {
  Info1->SetChecked(shown);
  if (!shown) {
    infoTimer_.stop();
    VLDSImageDisplay1->SetInfoText(QString());
    return;
  }
  infoClock_.start();
  infoPresented_ = VLDSImageDisplay1->FrameCounts().presented;
  infoRate_ = 0;
  infoTimer_.start();
  UpdateInfo();
}

void TForm1::UpdateInfo() { VLDSImageDisplay1->SetInfoText(InfoText()); }

QString TForm1::InfoText() {
  const TDSVideoFrameCounts counts = VLDSImageDisplay1->FrameCounts();
  const qint64 elapsedMs = infoClock_.isValid() ? infoClock_.restart() : 0;
  // A new stream starts its counts at 0 again.
  if (counts.presented < infoPresented_) infoPresented_ = 0;
  if (elapsedMs > 0) infoRate_ = double(counts.presented - infoPresented_) * 1000.0 / double(elapsedMs);
  infoPresented_ = counts.presented;
  const int width = VLDSCapture1->GetWidth();
  const int height = VLDSCapture1->GetHeight();
  QString camera = QStringLiteral("no camera picture");
  if (width > 0 && height > 0) {
    const char* key = QMetaEnum::fromType<TVLVideoFormat>().valueToKey(VLDSCapture1->NegotiatedFormat());
    camera = QStringLiteral("%1 × %2 %3").arg(width).arg(height).arg(QString::fromLatin1(key ? key + 2 : "?"));
  }
  const TVLVideoBufferQueueThread* queue = VLDSCapture1->VideoQueue();
  const int64_t lost = queue ? queue->Drops().Dropped() : 0;
  return QStringLiteral("%1 frames/s shown\n%2\n%3 dropped, %4 not shown")
      .arg(infoRate_, 0, 'f', 1)
      .arg(camera)
      .arg(lost)
      .arg(counts.dropped);
}

// ---- Kept choices ----

TViewerSettings TForm1::CurrentSettings() const {
  TViewerSettings s;
  TDSVideoCaptureDevice* device = VLDSCapture1->VideoCaptureDevice();
  s.cameraName = device->DeviceName();
  s.cameraIdentity = device->GetVC_DriverName();
  s.flip = VLMirror1->IsEnabled();
  s.speedFirst = Speed->Checked();
  s.format = VLDSCapture1->VideoFormat();
  const TVLOptionalVideoSize* size = VLDSCapture1->VideoSize();
  s.videoSize = QSize(int(size->Width()), int(size->Height()));
  s.videoSizeCurrent = size->Current();
  s.proportional = VLDSImageDisplay1->Proportional();
  s.stayOnTop = Top->Checked();
  s.normalGeometry = normalGeometry_;
  s.presentation = IsFullScreenView()             ? TViewerPresentation::kFullScreen
                   : WindowState() == wsMaximized ? TViewerPresentation::kMaximised
                                                  : TViewerPresentation::kNormal;
  s.quarterTurns = VLDSImageDisplay1->QuarterTurns();
  s.infoShown = Info1->Checked();
  return s;
}

void TForm1::SaveSettings() {
  if (TViewerSettingsStore* store = ViewerSettingsStore()) store->Save(CurrentSettings());
}

void TForm1::ApplySettings(const TViewerSettings& s) {
  // The components are still loading: what is set here counts as the
  // design's value, and the captions are put as the commands would.
  if (s.cameraName)
    VLDSCapture1->VideoCaptureDevice()->RestoreChoice(s.cameraIdentity.value_or(QString()), *s.cameraName);
  if (s.flip) VLMirror1->SetEnabled(*s.flip);
  if (s.speedFirst) {
    Speed->SetChecked(*s.speedFirst);
    Speed->SetCaption(Text(*s.speedFirst ? kQualityCaption : kSpeedCaption));
  }
  if (s.format) VLDSCapture1->SetVideoFormat(*s.format);
  TVLOptionalVideoSize* size = VLDSCapture1->VideoSize();
  if (s.videoSize) {
    size->SetHeight(uint32_t(s.videoSize->height()));
    size->SetWidth(uint32_t(s.videoSize->width()));
    MarkVideoSize(size->Width(), size->Height());
  }
  if (s.videoSizeCurrent) size->SetCurrent(*s.videoSizeCurrent);
  if (s.proportional) {
    VLDSImageDisplay1->SetProportional(*s.proportional);
    N4->SetCaption(Text(*s.proportional ? kFreeAspectCaption : kKeepAspectCaption));
  }
  if (s.stayOnTop && *s.stayOnTop) {
    Top->SetCaption(Text(kStopOnTopCaption));
    Top->SetChecked(true);
    SetFormStyle(fsStayOnTop);
  }
  if (s.normalGeometry) {
    // Only where a screen is now: a monitor unplugged since must not keep the
    // window out of sight.
    const QRect place = *s.normalGeometry;
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
      visible = visible || screen->availableGeometry().intersects(place);
    if (visible) {
      SetPosition(poDesigned);
      SetBounds(place.left(), place.top(), place.width(), place.height());
      normalGeometry_ = place;
    }
  }
  // Maximised and full screen are asked of the window system once the
  // window is shown, as the commands do.
  if (s.presentation && *s.presentation != TViewerPresentation::kNormal) pendingPresentation_ = s.presentation;
  if (s.quarterTurns) VLDSImageDisplay1->SetQuarterTurns(*s.quarterTurns);
  if (s.infoShown && *s.infoShown) ShowInfo(true);
}

void TForm1::ApplyPresentation(TViewerPresentation presentation) {
  if (WindowState() == wsMaximized) return;
  SetWindowState(wsMaximized);
  N11->SetCaption(Text(kReturnCaption));
  if (presentation == TViewerPresentation::kFullScreen) {
    SetBorderStyle(bsNone);
    N2->SetEnabled(false);
  } else {
    N2->SetCaption(Text(kRestoreCaption));
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Widget()) {
    switch (event->type()) {
      case QEvent::Show:
        if (pendingPresentation_) {
          const TViewerPresentation presentation = *std::exchange(pendingPresentation_, std::nullopt);
          QMetaObject::invokeMethod(
              this, [this, presentation] { RunHandled([&] { ApplyPresentation(presentation); }); },
              Qt::QueuedConnection);
        }
        break;
      case QEvent::Move:
      case QEvent::Resize:
        if (WindowState() == wsNormal && !IsFullScreenView() && Widget()->isVisible()) {
          // (The menu item Top hides the control's Top.)
          normalGeometry_ = QRect(Left(), TLPForm::Top(), Width(), Height());
          geometrySave_.start();
        }
        break;
      case QEvent::Close:
        geometrySave_.stop();
        SaveSettings();
        break;
      default:
        break;
    }
  }
  return TLPForm::eventFilter(watched, event);
}

// ---- About and exit ----

void TForm1::About1Click(QObject*) {
  if (about_) about_->Show();
}

void TForm1::Exit1Click(QObject*) { Close(); }

}  // namespace lumicar
