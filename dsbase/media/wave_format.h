#pragma once
// The format block of audio types: the wave format header as it travels in
// a media type's block (18 bytes, no padding), and its PCM tag.

#include <cstdint>

namespace lumicar {

constexpr uint16_t WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;  // bytes of extra format data after the header
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

}  // namespace lumicar
