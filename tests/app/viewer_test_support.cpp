#include "tests/app/viewer_test_support.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

#include "app/viewer_classes.h"
#include "dsbase/devices/device_list_form.h"
#include "runtime/component.h"
#include "runtime/form_reader.h"

namespace lumicar::test {

QByteArray ViewerDesignText() {
  RegisterViewerClasses();
  QFile file(QStringLiteral(":/app/main_form.form"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

std::unique_ptr<TTestForm1> MakeMainWindow(const TDesignChanges& changes) {
  QByteArray design = ViewerDesignText();
  if (changes.framesPerSecond > 0) {
    design.replace("    FrameRate.Rate = 30.000000000000000000\n",
                   QByteArray("    FrameRate.Rate = ") + QByteArray::number(changes.framesPerSecond) + "\n");
  }
  if (changes.captureDisabled) {
    design.replace("  object VLDSCapture1: TVLDSCapture\n",
                   "  object VLDSCapture1: TVLDSCapture\n    Enabled = False\n");
  }
  std::unique_ptr<TTestForm1> form(NewComponent<TTestForm1>(nullptr));
  ReadComponentDesign(form.get(), design);
  return form;
}

TStopCounter::TStopCounter(TVLDSCapture* capture) {
  std::shared_ptr<int> stops = stops_;
  capture->SetOnStop(TNotifyEvent([stops](QObject*) { ++*stops; }));
}

TModalAnswerer::TModalAnswerer() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ++answered_;
      dialog->reject();
    }
  });
  timer_.start();
}

TDeviceChooser::TDeviceChooser(const QString& name, TIfMissing ifMissing) : name_(name), ifMissing_(ifMissing) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
  timer_.start();
}

void TDeviceChooser::Answer() {
  auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (dialog == nullptr) return;
  auto* devices = qobject_cast<TDSDeviceListForm*>(dialog);
  if (devices == nullptr) {
    ++others_;
    auto* box = qobject_cast<QMessageBox*>(dialog);
    otherTexts_ << (box != nullptr ? box->text() : dialog->windowTitle());
    dialog->reject();
    return;
  }
  if (onShown_) onShown_();
  QListWidget* list = devices->ListBox();
  lastLines_.clear();
  int row = -1;
  for (int i = 0; i < list->count(); ++i) {
    lastLines_ << list->item(i)->text();
    if (row < 0 && lastLines_.back() == name_) row = i;
  }
  if (row < 0) {
    ++missing_;
    if (ifMissing_ == TIfMissing::AcceptAsShown)
      devices->OkButton()->click();
    else
      devices->CancelButton()->click();
    return;
  }
  ++chosen_;
  list->setCurrentRow(row);
  devices->OkButton()->click();
}

QPoint FindPatternMarker(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return {-1, -1};
  const auto differs = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 90;
  };
  const auto* middle = reinterpret_cast<const QRgb*>(image.constScanLine(image.height() / 2));
  qint64 sx = 0, sy = 0, n = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    bool uniform = true;
    for (int x = 1; x < image.width() && uniform; ++x) uniform = !differs(row[x], row[0]);
    if (uniform) continue;
    for (int x = 0; x < image.width(); ++x) {
      if (!differs(row[x], middle[x])) continue;
      sx += x;
      sy += y;
      ++n;
    }
  }
  if (n < 16) return {-1, -1};
  return {static_cast<int>(sx / n), static_cast<int>(sy / n)};
}

}  // namespace lumicar::test
