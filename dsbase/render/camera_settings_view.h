#pragma once
// The widgets of the camera settings page: one row per control of the
// camera's list (integer: slider and spin box; menu: combo box; boolean:
// check box; button: push button), every change sent to the camera at once,
// rows the camera marks inactive or read-only disabled, a "Default" button
// and a status line that says when the camera refused a value.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "dsbase/camera/camera_interfaces.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace lumicar {

class TDSCameraSettingsView final : public QWidget {
 public:
  // The view keeps its own reference to `camera`.
  TDSCameraSettingsView(ICameraControls* camera, QWidget* parent);
  ~TDSCameraSettingsView() override;

  // Reads every control's flags and value from the camera again; rows of
  // controls the camera does not list (any more) are disabled.
  HRESULT Refresh();
  // What the status line shows (empty when the last change was accepted).
  QString StatusText() const;

 private:
  struct TRow {
    TDSCameraControl control;
    QLabel* label = nullptr;
    QSlider* slider = nullptr;
    QSpinBox* spin = nullptr;
    QComboBox* menu = nullptr;
    QCheckBox* check = nullptr;
    QPushButton* button = nullptr;
    int32_t value = 0;  // what the camera held when last read
  };

  void Build(const std::vector<TDSCameraControl>& controls);
  QWidget* MakeEditor(TRow& row, size_t index);
  // Sends a value the user chose; afterwards the rows show what the camera holds.
  void Send(size_t index, int32_t value);
  void RestoreDefaults();
  void RefreshValue(TRow& row);
  void Show(TRow& row, int32_t value);
  void SetStatus(const QString& text);
  void ReportUnreadable(HRESULT hr);
  int32_t Snap(const TDSCameraControl& c, int64_t value) const;

  TIntf<ICameraControls> camera_;
  std::vector<TRow> rows_;
  QLabel* status_ = nullptr;
  QPushButton* default_ = nullptr;
  bool updating_ = false;  // the view itself is setting widget values
};

}  // namespace lumicar
