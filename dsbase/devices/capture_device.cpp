#include "dsbase/devices/capture_device.h"

#include "dsbase/com/graph_ids.h"

namespace lumicar {

// ---------------------------------------------------------------- video

TDSVideoCaptureDeviceItems::TDSVideoCaptureDeviceItems(TPersistent* owner, ILPLock* lock)
    : TDSDeviceItems(&TDSVideoCaptureDeviceItem::staticMetaObject, owner, lock, CLSID_VideoInputDeviceCategory) {}

TDSVideoCaptureDevice::TDSVideoCaptureDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange)
    : TDSDevice(owner, lock, std::move(onChange)), alternatives_(new TDSVideoCaptureDeviceItems(this, Lock())) {}

TDSVideoCaptureDevice::~TDSVideoCaptureDevice() { delete alternatives_; }

TGUID TDSVideoCaptureDevice::Category() const { return CLSID_VideoInputDeviceCategory; }

void TDSVideoCaptureDevice::SetAlternativeDevices(TDSVideoCaptureDeviceItems* items) {
  if (items && items != alternatives_) alternatives_->Assign(items);
}

// ---------------------------------------------------------------- audio

TDSAudioCaptureDeviceItems::TDSAudioCaptureDeviceItems(TPersistent* owner, ILPLock* lock)
    : TDSDeviceItems(&TDSAudioCaptureDeviceItem::staticMetaObject, owner, lock, CLSID_AudioInputDeviceCategory) {}

TDSAudioCaptureDevice::TDSAudioCaptureDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange)
    : TDSDevice(owner, lock, std::move(onChange)), alternatives_(new TDSAudioCaptureDeviceItems(this, Lock())) {}

TDSAudioCaptureDevice::~TDSAudioCaptureDevice() { delete alternatives_; }

TGUID TDSAudioCaptureDevice::Category() const { return CLSID_AudioInputDeviceCategory; }

void TDSAudioCaptureDevice::SetAlternativeDevices(TDSAudioCaptureDeviceItems* items) {
  if (items && items != alternatives_) alternatives_->Assign(items);
}

// ---------------------------------------------------------------- the capture component's audio

TDSVLAudioCaptureDevice::TDSVLAudioCaptureDevice(TPersistent* owner, ILPLock* lock, TDSVideoCaptureDevice* video,
                                                 TNotifyEvent onChange)
    : TDSAudioCaptureDevice(owner, lock, std::move(onChange)), video_(video) {}

TDSVLAudioCaptureDevice::~TDSVLAudioCaptureDevice() = default;

bool TDSVLAudioCaptureDevice::IsShareVideoDevice() const {
  return DeviceName().compare(kShareVideoDevice, Qt::CaseInsensitive) == 0;
}

void TDSVLAudioCaptureDevice::SetName(const QString& name) {
  if (name.compare(kShareVideoDevice, Qt::CaseInsensitive) == 0) {
    SetNames(QString(), name);
    return;
  }
  TDSAudioCaptureDevice::SetName(name);
}

TIntf<IMoniker> TDSVLAudioCaptureDevice::GetMoniker() {
  if (IsShareVideoDevice()) {
    if (TDSVideoCaptureDevice* video = video_.data()) {
      if (TIntf<IMoniker> moniker = video->GetMoniker()) {
        RecordOpened(moniker.get());
        return moniker;
      }
    }
  }
  return TDSAudioCaptureDevice::GetMoniker();
}

}  // namespace lumicar
