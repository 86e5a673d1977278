#include "capture/audio_settings.h"

#include <cstring>

#include "dsbase/media/media_guids.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/wave_format.h"

namespace lumicar {

void TALAudioFormatBasic::MakeMediaType(AM_MEDIA_TYPE& mt) const {
  auto section = ReadLock();
  WAVEFORMATEX w;
  w.wFormatTag = WAVE_FORMAT_PCM;
  w.nChannels = uint16_t(channels_);
  w.nSamplesPerSec = sampleRate_;
  w.nBlockAlign = uint16_t(channels_ * ((bits_ + 7) / 8));
  w.nAvgBytesPerSec = sampleRate_ * w.nBlockAlign;
  w.wBitsPerSample = uint16_t(bits_);
  LPDSFreeMediaType(mt);
  mt = AM_MEDIA_TYPE{};
  mt.majortype = MEDIATYPE_Audio;
  mt.subtype = MEDIASUBTYPE_PCM;
  mt.formattype = FORMAT_WaveFormatEx;
  mt.bFixedSizeSamples = true;
  mt.lSampleSize = w.nBlockAlign;
  if (uint8_t* block = LPDSSetFormatBuffer(mt, sizeof w)) std::memcpy(block, &w, sizeof w);
}

}  // namespace lumicar
