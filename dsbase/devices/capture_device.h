#pragma once
// The device choices of the capture component: the camera (video input devices)
// and the audio input device, each with its alternative devices, and the capture
// component's audio choice that may name the camera itself ("Share Video Device").

#include <QPointer>
#include <utility>

#include "dsbase/devices/device.h"
#include "dsbase/devices/device_item.h"

namespace lumicar {

// ---------------------------------------------------------------- video

class TDSVideoCaptureDeviceItem : public TDSDeviceItem {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TDSVideoCaptureDeviceItem(lumicar::TCollection* collection = nullptr)
      : TDSDeviceItem(collection) {}
};

class TDSVideoCaptureDeviceItems : public TDSDeviceItems {
  Q_OBJECT
 public:
  TDSVideoCaptureDeviceItems(TPersistent* owner, ILPLock* lock);
  TDSVideoCaptureDeviceItem* Item(int index) const {
    return qobject_cast<TDSVideoCaptureDeviceItem*>(TDSDeviceItems::Item(index));
  }
};

class TDSVideoCaptureDevice : public TDSDevice {
  Q_OBJECT
  Q_PROPERTY(
      lumicar::TDSVideoCaptureDeviceItems* AlternativeDevices READ AlternativeDevices WRITE SetAlternativeDevices)

 public:
  template <LPLockOwner Owner>
  explicit TDSVideoCaptureDevice(Owner* owner, TNotifyEvent onChange = {})
      : TDSDevice(owner, std::move(onChange)), alternatives_(new TDSVideoCaptureDeviceItems(this, Lock())) {}
  TDSVideoCaptureDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange = {});
  ~TDSVideoCaptureDevice() override;

  // Video input devices.
  TGUID Category() const override;
  TDSDeviceItems* Alternatives() const override { return alternatives_; }

  TDSVideoCaptureDeviceItems* AlternativeDevices() const { return alternatives_; }
  // Copies the given entries; the collection stays this object's own.
  void SetAlternativeDevices(TDSVideoCaptureDeviceItems* items);

 private:
  TDSVideoCaptureDeviceItems* alternatives_;
};

// ---------------------------------------------------------------- audio

class TDSAudioCaptureDeviceItem : public TDSDeviceItem {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TDSAudioCaptureDeviceItem(lumicar::TCollection* collection = nullptr)
      : TDSDeviceItem(collection) {}
};

class TDSAudioCaptureDeviceItems : public TDSDeviceItems {
  Q_OBJECT
 public:
  TDSAudioCaptureDeviceItems(TPersistent* owner, ILPLock* lock);
  TDSAudioCaptureDeviceItem* Item(int index) const {
    return qobject_cast<TDSAudioCaptureDeviceItem*>(TDSDeviceItems::Item(index));
  }
};

// This platform lists no audio input devices (sound is not captured), so "Default"
// resolves to no device; the object keeps the same shape for stored designs.
class TDSAudioCaptureDevice : public TDSDevice {
  Q_OBJECT
  Q_PROPERTY(
      lumicar::TDSAudioCaptureDeviceItems* AlternativeDevices READ AlternativeDevices WRITE SetAlternativeDevices)

 public:
  template <LPLockOwner Owner>
  explicit TDSAudioCaptureDevice(Owner* owner, TNotifyEvent onChange = {})
      : TDSDevice(owner, std::move(onChange)), alternatives_(new TDSAudioCaptureDeviceItems(this, Lock())) {}
  TDSAudioCaptureDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange = {});
  ~TDSAudioCaptureDevice() override;

  // Audio input devices.
  TGUID Category() const override;
  TDSDeviceItems* Alternatives() const override { return alternatives_; }

  TDSAudioCaptureDeviceItems* AlternativeDevices() const { return alternatives_; }
  void SetAlternativeDevices(TDSAudioCaptureDeviceItems* items);

 private:
  TDSAudioCaptureDeviceItems* alternatives_;
};

// The capture component's audio choice: besides the audio devices it accepts
// "Share Video Device", meaning that the camera chosen by the video device object
// supplies the sound as well.
class TDSVLAudioCaptureDevice : public TDSAudioCaptureDevice {
  Q_OBJECT

 public:
  static inline const QString kShareVideoDevice = QStringLiteral("Share Video Device");

  template <LPLockOwner Owner>
  explicit TDSVLAudioCaptureDevice(Owner* owner, TDSVideoCaptureDevice* video = nullptr, TNotifyEvent onChange = {})
      : TDSAudioCaptureDevice(owner, std::move(onChange)), video_(video) {}
  TDSVLAudioCaptureDevice(TPersistent* owner, ILPLock* lock, TDSVideoCaptureDevice* video = nullptr,
                          TNotifyEvent onChange = {});
  ~TDSVLAudioCaptureDevice() override;

  // The video device object whose camera "Share Video Device" uses.
  TDSVideoCaptureDevice* VideoDevice() const { return video_.data(); }
  void SetVideoDevice(TDSVideoCaptureDevice* video) { video_ = video; }

  // True when "Share Video Device" (any letter case) is chosen.
  bool IsShareVideoDevice() const;

  // "Share Video Device" (any letter case) is kept with its letters as given, with
  // no driver name, no lookup and no change callback; other names as inherited.
  void SetName(const QString& name) override;
  // For "Share Video Device": the video device object's moniker (found the way it
  // finds it); without one, the audio steps as inherited.
  TIntf<IMoniker> GetMoniker() override;

 private:
  QPointer<TDSVideoCaptureDevice> video_;
};

}  // namespace lumicar
