#pragma once
// A push source of PCM audio: one output pin "AudioOutput" offering the
// wave format given to SetFormat, fed with blocks of audio bytes by its
// owner, which the pin cuts into samples of the configured buffer time.

#include "dsbase/base/data_source_pin.h"
#include "dsbase/media/wave_format.h"

namespace lumicar {

// What the owner's audio bytes are: interleaved PCM frames.
struct TDSAudioFormat {
  int32_t channels = 2;
  int32_t samplesPerSecond = 44100;
  int32_t bitsPerSample = 16;
};

class TDSAudioSourceStreamPin : public TDSDataSourceStreamPin {
 public:
  static constexpr uint32_t kDefaultBufferTimeMs = 100;

  explicit TDSAudioSourceStreamPin(TDSBaseSourceFilter* filter);

  // Sets the format and the time one sample buffer holds. E_INVALIDARG for
  // a format that is not PCM of 8, 16, 24 or 32 bits or a buffer time of 0
  // or above 10 s; VFW_E_ALREADY_CONNECTED while connected, since the
  // connection was agreed for the old format.
  HRESULT SetFormat(const TDSAudioFormat& format, uint32_t bufferTimeMs);
  TDSAudioFormat Format() const;
  WAVEFORMATEX WaveFormat() const;

  // Delivers a block of whole audio frames; see TDSDataSourceStreamPin.
  // Times are stamped when start or stop is non-zero.
  bool SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint);

  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  // PCM audio with a wave format block describing the pin's own format:
  // data in another format would be played wrongly downstream.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;

 protected:
  int32_t SampleGranule() const override { return blockAlign_.load(std::memory_order_acquire); }

 private:
  TDSAudioFormat format_;  // guarded by the filter lock
  std::atomic<int32_t> blockAlign_{4};
};

class TDSAudioSourceFilter : public TDSBaseSourceFilter {
 public:
  explicit TDSAudioSourceFilter(IUnknown* outer = nullptr, const TGUID& classId = GUID_NULL);

  TDSAudioSourceStreamPin* Pin() const { return pin_; }
  HRESULT SetFormat(const TDSAudioFormat& format, uint32_t bufferTimeMs) {
    return pin_->SetFormat(format, bufferTimeMs);
  }
  bool SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint) {
    return pin_->SendData(data, size, start, stop, syncPoint);
  }

 private:
  TDSAudioSourceStreamPin* pin_;  // owned by the pin list
};

}  // namespace lumicar
