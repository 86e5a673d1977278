#include "capture/capture_options.h"

namespace lumicar {

TVLDSTVFormat TVLDSTVTuner::Format() const {
  auto section = ReadLock();
  return format_;
}

void TVLDSTVTuner::SetFormat(TVLDSTVFormat value) {
  auto section = WriteLock();
  format_ = value;
}

TVLDSTVInputType TVLDSTVTuner::InputType() const {
  auto section = ReadLock();
  return inputType_;
}

void TVLDSTVTuner::SetInputType(TVLDSTVInputType value) {
  auto section = WriteLock();
  inputType_ = value;
}

TVLDSTVMode TVLDSTVTuner::Mode() const {
  auto section = ReadLock();
  return mode_;
}

void TVLDSTVTuner::SetMode(TVLDSTVMode value) {
  auto section = WriteLock();
  mode_ = value;
}

TVLCaptionTextEvent TVLClosedCaptions::OnRawData() const {
  auto section = ReadLock();
  return onRawData_;
}

void TVLClosedCaptions::SetOnRawData(const TVLCaptionTextEvent& e) {
  auto section = WriteLock();
  onRawData_ = e;
}

QStringList TDSSwitches::Selections() const {
  auto section = ReadLock();
  return selections_;
}

void TDSSwitches::SetSelections(const QStringList& value) {
  auto section = WriteLock();
  selections_ = value;
}

}  // namespace lumicar
