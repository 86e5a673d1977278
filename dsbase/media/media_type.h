#pragma once
// A media type with its owned format block, and the helpers that copy,
// free, compare and print it without leaking or double-freeing the block.

#include <QString>
#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

struct BITMAPINFOHEADER;

struct AM_MEDIA_TYPE {
  TGUID majortype;
  TGUID subtype;
  bool bFixedSizeSamples = false;
  bool bTemporalCompression = false;
  uint32_t lSampleSize = 0;
  TGUID formattype;
  IUnknown* pUnk = nullptr;  // counted
  uint32_t cbFormat = 0;
  uint8_t* pbFormat = nullptr;  // task memory, owned by the type
};

// Releases the format block and pUnk and leaves the type's other fields as
// they are; safe on an already freed type.
void LPDSFreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a task-memory type with its parts; nullptr is ignored.
void LPDSDeleteMediaType(AM_MEDIA_TYPE* mt);
// Replaces `target` (freeing its old block) with a deep copy of `source`.
// E_OUTOFMEMORY leaves `target` empty; E_POINTER when the source claims a
// block it does not have.
HRESULT LPDSCopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
// A task-memory deep copy, or nullptr.
AM_MEDIA_TYPE* LPDSCreateMediaType(const AM_MEDIA_TYPE& source);
// Resets to the state the enumerators hand out: zeroed, sample size 1 and
// fixed-size samples.
void LPDSInitMediaType(AM_MEDIA_TYPE& mt);
// Allocates a zeroed format block of `size` bytes (freeing the old one);
// nullptr when out of memory.
uint8_t* LPDSSetFormatBuffer(AM_MEDIA_TYPE& mt, uint32_t size);

// Same major type, subtype, format type and format block bytes.
bool DSIsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
// Whether `mt` matches the partial type `partial`: every set GUID equal and,
// with a format type, the same block size and bytes.
bool DSMatchesPartialType(const AM_MEDIA_TYPE& mt, const AM_MEDIA_TYPE& partial);
// A set major type and format type: a type that names everything.
bool DSIsCompleteType(const AM_MEDIA_TYPE& mt);

// The bitmap header inside a video format block, or nullptr when the block
// is not a video information block or is too short to hold one.
const BITMAPINFOHEADER* DSBitmapHeader(const AM_MEDIA_TYPE& mt);

// "Video/YUY2 VideoInfo 640x480 24bit 614400 bytes"-like text for logs.
QString DSMediaTypeToString(const AM_MEDIA_TYPE& mt);
QString DSGuidName(const TGUID& guid);

// An owning media type: frees its block when it goes.
class TDSMediaType {
 public:
  TDSMediaType() = default;
  TDSMediaType(const AM_MEDIA_TYPE& mt) { LPDSCopyMediaType(mt_, mt); }
  TDSMediaType(const TDSMediaType& o) { LPDSCopyMediaType(mt_, o.mt_); }
  TDSMediaType& operator=(const TDSMediaType& o) {
    if (this != &o) LPDSCopyMediaType(mt_, o.mt_);
    return *this;
  }
  ~TDSMediaType() { LPDSFreeMediaType(mt_); }

  AM_MEDIA_TYPE* operator->() { return &mt_; }
  const AM_MEDIA_TYPE* operator->() const { return &mt_; }
  AM_MEDIA_TYPE& Get() { return mt_; }
  const AM_MEDIA_TYPE& Get() const { return mt_; }

 private:
  AM_MEDIA_TYPE mt_;
};

}  // namespace lumicar
