#pragma once
// The capture's audio settings: the monitoring of the captured sound
// (TALDSAudioPreview) and the format the audio grabber asks for
// (TALAudioFormatBasic). The viewer opens no audio device on this platform
// (the audio input category is empty); the settings are carried so that a
// stored design keeps them.

#include <cstdint>

#include "components/lp_persistent.h"

namespace lumicar {

struct AM_MEDIA_TYPE;

class TALDSAudioPreview : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_CLASSINFO("Default.Enabled", "False")

 public:
  template <LPLockOwner Owner>
  explicit TALDSAudioPreview(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TALDSAudioPreview() : TLPPersistent(nullptr, nullptr) {}

  // True: the grabbed sound is also played on the default audio renderer.
  bool Enabled() const { return Lock()->Getter(enabled_); }
  void SetEnabled(bool value) { Lock()->Setter(enabled_, value); }

 private:
  bool enabled_ = false;
};

class TALAudioFormatBasic : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(quint32 Channels READ Channels WRITE SetChannels)
  Q_PROPERTY(quint32 SampleRate READ SampleRate WRITE SetSampleRate)
  Q_PROPERTY(quint32 Bits READ Bits WRITE SetBits)
  Q_CLASSINFO("Default.Channels", "2")
  Q_CLASSINFO("Default.SampleRate", "44100")
  Q_CLASSINFO("Default.Bits", "16")

 public:
  template <LPLockOwner Owner>
  explicit TALAudioFormatBasic(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TALAudioFormatBasic() : TLPPersistent(nullptr, nullptr) {}

  uint32_t Channels() const { return Lock()->Getter(channels_); }
  void SetChannels(uint32_t value) { Lock()->SetterMinMax(channels_, value, 1u, 8u); }
  uint32_t SampleRate() const { return Lock()->Getter(sampleRate_); }
  void SetSampleRate(uint32_t value) { Lock()->SetterMinMax(sampleRate_, value, 1000u, 384000u); }
  uint32_t Bits() const { return Lock()->Getter(bits_); }
  void SetBits(uint32_t value) { Lock()->SetterMinMax(bits_, value, 8u, 32u); }

  // A PCM audio type with a WAVEFORMATEX block of these values.
  void MakeMediaType(AM_MEDIA_TYPE& mt) const;

 private:
  uint32_t channels_ = 2;
  uint32_t sampleRate_ = 44100;
  uint32_t bits_ = 16;
};

}  // namespace lumicar
