#include "dsbase/render/camera_settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace lumicar {

namespace {

// Why the camera refused, in words: the capture filter passes the driver's
// errno through in the result code.
QString DescribeResult(HRESULT hr) {
  const uint32_t code = uint32_t(hr);
  if (hr == E_INVALIDARG) return QStringLiteral("the value is out of range or not accepted at the moment");
  if (hr == E_PROP_ID_UNSUPPORTED) return QStringLiteral("the camera has no such control");
  if (hr == E_OUTOFMEMORY) return QStringLiteral("out of memory");
  if ((code & 0xFFFF0000u) == 0x80070000u) return qt_error_string(int(code & 0xFFFFu));
  return QStringLiteral("error 0x%1").arg(code, 8, 16, QLatin1Char('0'));
}

QString EditorName(const char* kind, uint32_t id) { return QStringLiteral("%1-%2").arg(QLatin1String(kind)).arg(id); }

}  // namespace

TDSCameraSettingsView::TDSCameraSettingsView(ICameraControls* camera, QWidget* parent)
    : QWidget(parent), camera_(camera) {
  auto* layout = new QVBoxLayout(this);
  std::vector<TDSCameraControl> controls;
  const HRESULT hr = camera_ ? camera_->GetControls(&controls) : E_POINTER;

  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* list = new QWidget(scroll);
  auto* grid = new QGridLayout(list);
  grid->setColumnStretch(1, 1);
  scroll->setWidget(list);
  layout->addWidget(scroll, 1);

  rows_.reserve(controls.size());
  for (const TDSCameraControl& c : controls) rows_.push_back(TRow{c});
  for (size_t i = 0; i < rows_.size(); ++i) {
    TRow& row = rows_[i];
    const int line = int(i);
    if (row.control.kind != TDSCameraControl::ckButton) {
      row.label = new QLabel(row.control.name, list);
      grid->addWidget(row.label, line, 0);
    }
    if (row.control.kind == TDSCameraControl::ckInteger) {
      grid->addWidget(MakeEditor(row, i), line, 1);
      grid->addWidget(row.spin, line, 2);
    } else {
      grid->addWidget(MakeEditor(row, i), line, 1, 1, 2);
    }
  }
  if (SUCCEEDED(hr) && rows_.empty())
    grid->addWidget(new QLabel(QStringLiteral("This camera has no controls to adjust."), list), 0, 0);
  grid->setRowStretch(int(rows_.size()) + 1, 1);

  auto* bottom = new QHBoxLayout();
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setWordWrap(true);
  bottom->addWidget(status_, 1);
  default_ = new QPushButton(QStringLiteral("Default"), this);
  default_->setObjectName(QStringLiteral("default"));
  default_->setEnabled(SUCCEEDED(hr) && !rows_.empty());
  connect(default_, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
  bottom->addWidget(default_);
  layout->addLayout(bottom);

  if (FAILED(hr))
    ReportUnreadable(hr);
  else if (const HRESULT read = Refresh(); FAILED(read))
    ReportUnreadable(read);
}

TDSCameraSettingsView::~TDSCameraSettingsView() = default;

QWidget* TDSCameraSettingsView::MakeEditor(TRow& row, size_t index) {
  const TDSCameraControl& c = row.control;
  row.value = c.defaultValue;
  switch (c.kind) {
    case TDSCameraControl::ckInteger: {
      row.slider = new QSlider(Qt::Horizontal);
      row.slider->setObjectName(EditorName("slider", c.id));
      row.slider->setRange(c.minimum, c.maximum);
      row.slider->setSingleStep(c.step);
      const int64_t tenth = (int64_t(c.maximum) - c.minimum) / 10 / c.step * c.step;
      row.slider->setPageStep(int(std::clamp<int64_t>(tenth, c.step, INT32_MAX)));
      row.spin = new QSpinBox();
      row.spin->setObjectName(EditorName("spin", c.id));
      row.spin->setRange(c.minimum, c.maximum);
      row.spin->setSingleStep(c.step);
      // Typed digits go to the camera when the entry is done, not per key.
      row.spin->setKeyboardTracking(false);
      connect(row.slider, &QSlider::valueChanged, this, [this, index](int v) {
        if (!updating_) Send(index, Snap(rows_[index].control, v));
      });
      connect(row.spin, &QSpinBox::valueChanged, this, [this, index](int v) {
        if (!updating_) Send(index, Snap(rows_[index].control, v));
      });
      return row.slider;
    }
    case TDSCameraControl::ckBoolean:
      row.check = new QCheckBox();
      row.check->setObjectName(EditorName("check", c.id));
      connect(row.check, &QCheckBox::toggled, this, [this, index](bool on) {
        if (!updating_) Send(index, on ? 1 : 0);
      });
      return row.check;
    case TDSCameraControl::ckMenu:
      row.menu = new QComboBox();
      row.menu->setObjectName(EditorName("menu", c.id));
      for (const auto& [value, label] : c.menu) row.menu->addItem(label, value);
      connect(row.menu, &QComboBox::currentIndexChanged, this, [this, index](int item) {
        TRow& r = rows_[index];
        if (!updating_ && item >= 0) Send(index, r.menu->itemData(item).toInt());
      });
      return row.menu;
    case TDSCameraControl::ckButton:
      row.button = new QPushButton(c.name);
      row.button->setObjectName(EditorName("button", c.id));
      connect(row.button, &QPushButton::clicked, this, [this, index] { Send(index, 0); });
      return row.button;
  }
  return nullptr;
}

int32_t TDSCameraSettingsView::Snap(const TDSCameraControl& c, int64_t value) const {
  // Drivers take only values on the control's steps from its minimum.
  const int64_t step = std::max<int64_t>(c.step, 1);
  int64_t snapped = c.minimum + (std::clamp<int64_t>(value, c.minimum, c.maximum) - c.minimum + step / 2) / step * step;
  if (snapped > c.maximum) snapped -= step;
  return int32_t(std::clamp<int64_t>(snapped, c.minimum, c.maximum));
}

void TDSCameraSettingsView::Send(size_t index, int32_t value) {
  TRow& row = rows_[index];
  const HRESULT hr = camera_->SetControl(row.control.id, value);
  if (FAILED(hr))
    SetStatus(
        QStringLiteral("The camera did not take the value of \"%1\": %2.").arg(row.control.name, DescribeResult(hr)));
  else
    SetStatus({});
  // Check boxes, menus and buttons are where automatic controls live, and
  // they change which other controls are active (and their values): read
  // them all again. A slider changes only its own control, and while it is
  // dragged only its value is read back, so a drag costs one read per step.
  // After a refusal the row goes back to what the camera holds.
  if (FAILED(hr) || row.control.kind != TDSCameraControl::ckInteger) {
    const HRESULT read = Refresh();
    if (SUCCEEDED(hr) && FAILED(read)) ReportUnreadable(read);
  } else {
    RefreshValue(row);
  }
}

void TDSCameraSettingsView::ReportUnreadable(HRESULT hr) {
  SetStatus(QStringLiteral("The camera's controls could not be read: %1.").arg(DescribeResult(hr)));
}

void TDSCameraSettingsView::RestoreDefaults() {
  const HRESULT hr = camera_->ResetControls();
  if (FAILED(hr))
    SetStatus(QStringLiteral("Not every control could be set to its default: %1.").arg(DescribeResult(hr)));
  else
    SetStatus({});
  const HRESULT read = Refresh();
  if (SUCCEEDED(hr) && FAILED(read)) ReportUnreadable(read);
}

HRESULT TDSCameraSettingsView::Refresh() {
  std::vector<TDSCameraControl> now;
  const HRESULT hr = camera_ ? camera_->GetControls(&now) : E_POINTER;
  if (FAILED(hr)) now.clear();
  for (TRow& row : rows_) {
    const auto found = std::find_if(now.begin(), now.end(), [&](const auto& c) { return c.id == row.control.id; });
    // A control the camera no longer lists (or a camera that is gone) is
    // shown, but cannot be changed.
    const bool listed = found != now.end();
    if (listed) {
      row.control.readOnly = found->readOnly;
      row.control.inactive = found->inactive;
    }
    const bool enabled = listed && !row.control.readOnly && !row.control.inactive;
    for (QWidget* w : std::initializer_list<QWidget*>{row.label, row.slider, row.spin, row.menu, row.check, row.button})
      if (w) w->setEnabled(enabled);
    if (row.control.kind == TDSCameraControl::ckButton) continue;
    if (listed)
      RefreshValue(row);
    else
      Show(row, row.value);  // undoes what the user just did to it
  }
  return hr;
}

void TDSCameraSettingsView::RefreshValue(TRow& row) {
  int32_t value = row.value;
  // A value that cannot be read leaves the last one the camera had.
  if (FAILED(camera_->GetControl(row.control.id, &value))) value = row.value;
  Show(row, value);
}

void TDSCameraSettingsView::Show(TRow& row, int32_t value) {
  const bool was = std::exchange(updating_, true);
  row.value = value;
  if (row.slider) row.slider->setValue(value);
  if (row.spin) row.spin->setValue(value);
  if (row.check) row.check->setChecked(value != 0);
  if (row.menu) row.menu->setCurrentIndex(row.menu->findData(value));
  updating_ = was;
}

void TDSCameraSettingsView::SetStatus(const QString& text) { status_->setText(text); }

QString TDSCameraSettingsView::StatusText() const { return status_->text(); }

}  // namespace lumicar
