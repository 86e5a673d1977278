#include "dsbase/base/audio_source_filter.h"

#include <cstring>

#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"

namespace lumicar {

namespace {

bool ValidFormat(const TDSAudioFormat& f) {
  const bool bits = f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
  return bits && f.channels >= 1 && f.channels <= 64 && f.samplesPerSecond >= 1 && f.samplesPerSecond <= 1'000'000;
}

WAVEFORMATEX MakeWave(const TDSAudioFormat& f) {
  WAVEFORMATEX w;
  w.wFormatTag = WAVE_FORMAT_PCM;
  w.nChannels = uint16_t(f.channels);
  w.nSamplesPerSec = uint32_t(f.samplesPerSecond);
  w.wBitsPerSample = uint16_t(f.bitsPerSample);
  w.nBlockAlign = uint16_t(f.channels * f.bitsPerSample / 8);
  w.nAvgBytesPerSec = w.nSamplesPerSec * w.nBlockAlign;
  w.cbSize = 0;
  return w;
}

// Bytes of `ms` milliseconds, rounded up to whole frames.
int64_t BufferBytes(const WAVEFORMATEX& w, uint32_t ms) {
  const int64_t frames = (int64_t(w.nSamplesPerSec) * ms + 999) / 1000;
  return std::max<int64_t>(frames, 1) * w.nBlockAlign;
}

}  // namespace

TDSAudioSourceStreamPin::TDSAudioSourceStreamPin(TDSBaseSourceFilter* filter)
    : TDSDataSourceStreamPin(QStringLiteral("AudioOutput"), filter,
                             int32_t(BufferBytes(MakeWave(TDSAudioFormat{}), kDefaultBufferTimeMs))) {
  blockAlign_ = MakeWave(format_).nBlockAlign;
}

HRESULT TDSAudioSourceStreamPin::SetFormat(const TDSAudioFormat& format, uint32_t bufferTimeMs) {
  if (!ValidFormat(format) || bufferTimeMs == 0 || bufferTimeMs > 10'000) return E_INVALIDARG;
  const WAVEFORMATEX w = MakeWave(format);
  const int64_t bytes = BufferBytes(w, bufferTimeMs);
  if (bytes > kMaxBufferSize) return E_INVALIDARG;
  std::lock_guard guard(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  format_ = format;
  blockAlign_ = w.nBlockAlign;
  SetBufferSize(int32_t(bytes));
  IncrementTypeVersion();  // enumerators made before see the change
  return S_OK;
}

TDSAudioFormat TDSAudioSourceStreamPin::Format() const {
  std::lock_guard guard(*lock_);
  return format_;
}

WAVEFORMATEX TDSAudioSourceStreamPin::WaveFormat() const { return MakeWave(Format()); }

bool TDSAudioSourceStreamPin::SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop,
                                       bool syncPoint) {
  return SendBlock(static_cast<const uint8_t*>(data), size, start != 0 || stop != 0, start, stop, syncPoint);
}

HRESULT TDSAudioSourceStreamPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  const WAVEFORMATEX w = MakeWave(format_);  // the caller holds the filter lock
  LPDSInitMediaType(*mt);
  mt->majortype = MEDIATYPE_Audio;
  mt->subtype = MEDIASUBTYPE_PCM;
  mt->formattype = FORMAT_WaveFormatEx;
  mt->bFixedSizeSamples = true;
  mt->lSampleSize = w.nBlockAlign;
  uint8_t* block = LPDSSetFormatBuffer(*mt, sizeof w);
  if (!block) return E_OUTOFMEMORY;
  std::memcpy(block, &w, sizeof w);
  return S_OK;
}

HRESULT TDSAudioSourceStreamPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!(mt->majortype == MEDIATYPE_Audio) || !(mt->subtype == MEDIASUBTYPE_PCM) ||
      !(mt->formattype == FORMAT_WaveFormatEx) || !mt->pbFormat || mt->cbFormat < sizeof(WAVEFORMATEX))
    return VFW_E_TYPE_NOT_ACCEPTED;
  WAVEFORMATEX offered;
  std::memcpy(&offered, mt->pbFormat, sizeof offered);
  const WAVEFORMATEX own = WaveFormat();
  if (offered.wFormatTag != WAVE_FORMAT_PCM || offered.nChannels != own.nChannels ||
      offered.nSamplesPerSec != own.nSamplesPerSec || offered.wBitsPerSample != own.wBitsPerSample ||
      offered.nBlockAlign != own.nBlockAlign)
    return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

TDSAudioSourceFilter::TDSAudioSourceFilter(IUnknown* outer, const TGUID& classId)
    : TDSBaseSourceFilter(QStringLiteral("AudioSource"), outer, classId), pin_(new TDSAudioSourceStreamPin(this)) {}

}  // namespace lumicar
