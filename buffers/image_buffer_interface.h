#pragma once
// The interface through which clients hold and pass video frames. Holding
// it keeps the frame alive; copying a frame shares its pixels until one
// holder writes (copy-on-write).

#include <QSize>
#include <QString>
#include <cstdint>

#include "buffers/data_interfaces.h"
#include "buffers/video_format.h"
#include "buffers/vl_color.h"

namespace lumicar {

class TVLBitmap;
class TVLTimeCode;
class TVLDateTime;

inline const TGUID IID_IVLImageBuffer = TGUID::FromString("{EEB958BC-7823-4D58-8045-DFD09F4875EB}");

// Compositing operation of AlphaComp, passed on as the kernel's type.
enum TVLAlphaCompOperation : uint8_t { acoOver = 0, acoIn = 1, acoOut = 2, acoATop = 3, acoXor = 4, acoPlus = 5 };

class IVLImageBuffer : public virtual IMLMediaBuffer {
 public:
  // The pixels: read-only, for overwriting (a shared frame is not copied),
  // and for changing (a shared frame is copied first).
  virtual const uint8_t* Read() = 0;
  virtual uint8_t* Write() = 0;
  virtual uint8_t* Modify() = 0;

  // Exchange with the library's own bitmap; the frame's step is the row pitch.
  virtual void FromBitmap(const TVLBitmap& bitmap) = 0;
  virtual void ToBitmap(TVLBitmap& bitmap) = 0;
  // A standard bitmap file of the picture (24-bit, or 32-bit for RGBA32).
  virtual void SaveToBitmapFile(const QString& fileName) = 0;

  virtual int32_t GetWidth() = 0;
  virtual int32_t GetHeight() = 0;
  virtual void SetFormat(TVLVideoFormat format) = 0;
  virtual TVLVideoFormat GetFormat() = 0;

  // Single pixels; (x, y) must lie inside the picture (ESLRangeError otherwise).
  virtual TVLColor GetPixel(int x, int y) = 0;
  virtual void SetPixel(int x, int y, TVLColor color) = 0;
  virtual uint8_t GetRed(int x, int y) = 0;
  virtual void SetRed(int x, int y, uint8_t value) = 0;
  virtual uint8_t GetGreen(int x, int y) = 0;
  virtual void SetGreen(int x, int y, uint8_t value) = 0;
  virtual uint8_t GetBlue(int x, int y) = 0;
  virtual void SetBlue(int x, int y, uint8_t value) = 0;
  virtual uint8_t GetAlpha(int x, int y) = 0;
  virtual void SetAlpha(int x, int y, uint8_t value) = 0;
  virtual uint8_t GetGrayScale(int x, int y) = 0;
  virtual void SetGrayScale(int x, int y, uint8_t value) = 0;

  // Whole channels.
  virtual void SetRedChannel(uint8_t value) = 0;
  virtual void SetGreenChannel(uint8_t value) = 0;
  virtual void SetBlueChannel(uint8_t value) = 0;
  virtual void SetAlphaChannel(uint8_t value) = 0;
  virtual TIntf<IVLImageBuffer> GetRedChannel() = 0;
  virtual TIntf<IVLImageBuffer> GetGreenChannel() = 0;
  virtual TIntf<IVLImageBuffer> GetBlueChannel() = 0;
  virtual TIntf<IVLImageBuffer> GetAlphaChannel() = 0;

  // Geometry.
  virtual int32_t GetExtWidth() = 0;
  virtual int32_t GetBytesPerPixel() = 0;
  virtual QSize GetDimSize() = 0;
  virtual int32_t GetStep() = 0;

  virtual TVLTimeCode* GetTimeCode() = 0;
  virtual TVLDateTime* GetDateTime() = 0;
  virtual bool GetIsKeyFrame() = 0;
  virtual void SetIsKeyFrame(bool value) = 0;

  virtual void SetImageSize(int width, int height) = 0;
  virtual void SetImageSizeFormat(int width, int height, TVLVideoFormat format) = 0;
  virtual void SetPixelAlpha(int x, int y, TVLColor color, uint8_t alpha) = 0;
  virtual void AlphaComp(IVLImageBuffer* image, TVLAlphaCompOperation operation) = 0;

  // Arithmetic with scale factor 1 (each result halved, rounded half to
  // even). The two-image forms first take over the first image.
  virtual void Add(IVLImageBuffer* image) = 0;
  virtual void Add(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void AddValue(TVLColor color) = 0;
  virtual void AddValue(TVLColor color, uint8_t alpha) = 0;
  virtual void AddValue(uint32_t value) = 0;
  virtual void Subtract(IVLImageBuffer* image) = 0;
  virtual void Subtract(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void SubtractValue(TVLColor color) = 0;
  virtual void SubtractValue(TVLColor color, uint8_t alpha) = 0;
  virtual void SubtractValue(uint32_t value) = 0;
  virtual void Multiply(IVLImageBuffer* image) = 0;
  virtual void Multiply(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void MultiplyValue(TVLColor color) = 0;
  virtual void MultiplyValue(TVLColor color, uint8_t alpha) = 0;
  virtual void MultiplyValue(uint32_t value) = 0;
  // a x b / 255.
  virtual void MultiplyScale(IVLImageBuffer* image) = 0;
  virtual void MultiplyScale(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void MultiplyScaleValue(TVLColor color) = 0;
  virtual void MultiplyScaleValue(TVLColor color, uint8_t alpha) = 0;
  virtual void MultiplyScaleValue(uint32_t value) = 0;
  virtual void Divide(IVLImageBuffer* image) = 0;
  virtual void Divide(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void DivideValue(TVLColor color) = 0;
  virtual void DivideValue(TVLColor color, uint8_t alpha) = 0;
  virtual void DivideValue(uint32_t value) = 0;
  virtual void AbsDiff(IVLImageBuffer* image) = 0;
  virtual void AbsDiff(IVLImageBuffer* a, IVLImageBuffer* b) = 0;

  // Bitwise logic.
  virtual void LAnd(IVLImageBuffer* image) = 0;
  virtual void LAnd(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void LAndValue(TVLColor color) = 0;
  virtual void LAndValue(TVLColor color, uint8_t alpha) = 0;
  virtual void LAndValue(uint32_t value) = 0;
  virtual void LOr(IVLImageBuffer* image) = 0;
  virtual void LOr(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void LOrValue(TVLColor color) = 0;
  virtual void LOrValue(TVLColor color, uint8_t alpha) = 0;
  virtual void LOrValue(uint32_t value) = 0;
  virtual void LXor(IVLImageBuffer* image) = 0;
  virtual void LXor(IVLImageBuffer* a, IVLImageBuffer* b) = 0;
  virtual void LXorValue(TVLColor color) = 0;
  virtual void LXorValue(TVLColor color, uint8_t alpha) = 0;
  virtual void LXorValue(uint32_t value) = 0;
  virtual void LShiftValue(TVLColor color) = 0;
  virtual void LShiftValue(TVLColor color, uint8_t alpha) = 0;
  virtual void LShiftValue(uint32_t value) = 0;
  virtual void RShiftValue(TVLColor color) = 0;
  virtual void RShiftValue(TVLColor color, uint8_t alpha) = 0;
  virtual void RShiftValue(uint32_t value) = 0;
  virtual void LNot() = 0;
  virtual void LNot(IVLImageBuffer* image) = 0;
  virtual void Sqr() = 0;
  virtual void Sqr(IVLImageBuffer* image) = 0;

  // Fills of the whole frame. The byte and 32-bit overloads are told apart
  // by their argument type: pass uint8_t(v) or uint32_t(v), not a plain int.
  virtual void SetValue(TVLColor color) = 0;
  virtual void SetValue(uint32_t value) = 0;
  virtual void SetValue(uint8_t value) = 0;
  virtual void SetValue(uint8_t value, uint8_t alpha) = 0;
  virtual void SetValue(TVLColor color, uint8_t alpha) = 0;
  virtual void SetAlpha(uint8_t alpha) = 0;
  virtual void SetGrayScale(uint8_t value) = 0;
  virtual void Zero() = 0;
  virtual void Zero(uint8_t alpha) = 0;
};

}  // namespace lumicar
