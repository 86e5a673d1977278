#pragma once
// The video frame: a media buffer handle on one of the image containers,
// carrying the frame's pixel format. Changing the format replaces the
// container by a converted one; other handles that shared the old one keep it.

#include <cstdint>

#include "buffers/image_buffer_interface.h"
#include "buffers/image_containers.h"
#include "buffers/image_time_code.h"
#include "buffers/media_buffer.h"
#include "kernels/ipp_types.h"

namespace lumicar {

class TVLImageBuffer : public TMLMediaBuffer, public virtual IVLImageBuffer {
 public:
  // An RGB24 frame of 0 x 0.
  TVLImageBuffer();
  // A frame of that format and size; pixels uninitialised.
  TVLImageBuffer(int width, int height, TVLVideoFormat format);
  // As above, then the frame's byte size is copied from `data`.
  TVLImageBuffer(const uint8_t* data, int width, int height, TVLVideoFormat format);
  // Share the other frame's container; take its format and key-frame flag.
  TVLImageBuffer(const TVLImageBuffer& other);
  explicit TVLImageBuffer(ISLData* source);
  explicit TVLImageBuffer(IVLImageBuffer* source);
  // An RGB24 frame of the bitmap's size holding its picture (RGBA32 for a
  // 32-bit bitmap).
  explicit TVLImageBuffer(const TVLBitmap& bitmap);

  // The frame behind an interface, or ESLException when it is none.
  static TVLImageBuffer* FromImage(IVLImageBuffer* image);

  // ISLData / ISLDataBuffer
  TIntf<ISLData> MakeCopy() override;
  void Assign(ISLData* source) override;
  uint32_t GetByteSize() override;
  uint32_t GetSize() override;

  // TSLGenericBuffer
  void PopulateCahces() override;
  void SetDataContainer(TSLSmartBuffer* container) override;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  TVLSmartImageBuffer* ImageContainer() const { return imageContainer_; }

  // IVLImageBuffer
  const uint8_t* Read() override { return ByteRead(); }
  uint8_t* Write() override { return ByteWrite(); }
  uint8_t* Modify() override { return ByteModify(); }
  void FromBitmap(const TVLBitmap& bitmap) override;
  void ToBitmap(TVLBitmap& bitmap) override;
  void SaveToBitmapFile(const QString& fileName) override;
  int32_t GetWidth() override { return width_; }
  int32_t GetHeight() override { return height_; }
  void SetFormat(TVLVideoFormat format) override;
  TVLVideoFormat GetFormat() override { return format_; }

  TVLColor GetPixel(int x, int y) override;
  void SetPixel(int x, int y, TVLColor color) override;
  uint8_t GetRed(int x, int y) override;
  void SetRed(int x, int y, uint8_t value) override;
  uint8_t GetGreen(int x, int y) override;
  void SetGreen(int x, int y, uint8_t value) override;
  uint8_t GetBlue(int x, int y) override;
  void SetBlue(int x, int y, uint8_t value) override;
  uint8_t GetAlpha(int x, int y) override;
  void SetAlpha(int x, int y, uint8_t value) override;
  uint8_t GetGrayScale(int x, int y) override;
  void SetGrayScale(int x, int y, uint8_t value) override;

  void SetRedChannel(uint8_t value) override;
  void SetGreenChannel(uint8_t value) override;
  void SetBlueChannel(uint8_t value) override;
  void SetAlphaChannel(uint8_t value) override;
  TIntf<IVLImageBuffer> GetRedChannel() override;
  TIntf<IVLImageBuffer> GetGreenChannel() override;
  TIntf<IVLImageBuffer> GetBlueChannel() override;
  TIntf<IVLImageBuffer> GetAlphaChannel() override;

  int32_t GetExtWidth() override { return extWidth_; }
  int32_t GetBytesPerPixel() override { return bytesPerPixel_; }
  QSize GetDimSize() override { return QSize(width_, height_); }
  int32_t GetStep() override { return step_; }

  TVLTimeCode* GetTimeCode() override { return &timeCode_; }
  TVLDateTime* GetDateTime() override { return &dateTime_; }
  bool GetIsKeyFrame() override { return isKeyFrame_; }
  void SetIsKeyFrame(bool value) override { isKeyFrame_ = value; }

  void SetImageSize(int width, int height) override;
  void SetImageSizeFormat(int width, int height, TVLVideoFormat format) override;
  void SetPixelAlpha(int x, int y, TVLColor color, uint8_t alpha) override;
  void AlphaComp(IVLImageBuffer* image, TVLAlphaCompOperation operation) override;

  void Add(IVLImageBuffer* image) override;
  void Add(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void AddValue(TVLColor color) override;
  void AddValue(TVLColor color, uint8_t alpha) override;
  void AddValue(uint32_t value) override;
  void Subtract(IVLImageBuffer* image) override;
  void Subtract(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void SubtractValue(TVLColor color) override;
  void SubtractValue(TVLColor color, uint8_t alpha) override;
  void SubtractValue(uint32_t value) override;
  void Multiply(IVLImageBuffer* image) override;
  void Multiply(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void MultiplyValue(TVLColor color) override;
  void MultiplyValue(TVLColor color, uint8_t alpha) override;
  void MultiplyValue(uint32_t value) override;
  void MultiplyScale(IVLImageBuffer* image) override;
  void MultiplyScale(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void MultiplyScaleValue(TVLColor color) override;
  void MultiplyScaleValue(TVLColor color, uint8_t alpha) override;
  void MultiplyScaleValue(uint32_t value) override;
  void Divide(IVLImageBuffer* image) override;
  void Divide(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void DivideValue(TVLColor color) override;
  void DivideValue(TVLColor color, uint8_t alpha) override;
  void DivideValue(uint32_t value) override;
  void AbsDiff(IVLImageBuffer* image) override;
  void AbsDiff(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void LAnd(IVLImageBuffer* image) override;
  void LAnd(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void LAndValue(TVLColor color) override;
  void LAndValue(TVLColor color, uint8_t alpha) override;
  void LAndValue(uint32_t value) override;
  void LOr(IVLImageBuffer* image) override;
  void LOr(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void LOrValue(TVLColor color) override;
  void LOrValue(TVLColor color, uint8_t alpha) override;
  void LOrValue(uint32_t value) override;
  void LXor(IVLImageBuffer* image) override;
  void LXor(IVLImageBuffer* a, IVLImageBuffer* b) override;
  void LXorValue(TVLColor color) override;
  void LXorValue(TVLColor color, uint8_t alpha) override;
  void LXorValue(uint32_t value) override;
  void LShiftValue(TVLColor color) override;
  void LShiftValue(TVLColor color, uint8_t alpha) override;
  void LShiftValue(uint32_t value) override;
  void RShiftValue(TVLColor color) override;
  void RShiftValue(TVLColor color, uint8_t alpha) override;
  void RShiftValue(uint32_t value) override;
  void LNot() override;
  void LNot(IVLImageBuffer* image) override;
  void Sqr() override;
  void Sqr(IVLImageBuffer* image) override;

  void SetValue(TVLColor color) override;
  void SetValue(uint32_t value) override;
  void SetValue(uint8_t value) override;
  void SetValue(uint8_t value, uint8_t alpha) override;
  void SetValue(TVLColor color, uint8_t alpha) override;
  void SetAlpha(uint8_t alpha) override;
  void SetGrayScale(uint8_t value) override;
  void Zero() override;
  void Zero(uint8_t alpha) override;

  // Any format other than RGB24 and RGBA32 (vfRGB included) becomes RGB24.
  void SetFormatRGB();

  // The pixel writers without format change and without copy-on-write, for
  // callers that have already made the frame unique in a writable format.
  // A layout that has no such component ignores the write.
  void SetPixelInt(int x, int y, TVLColor color);
  void SetRedInt(int x, int y, uint8_t value);
  void SetGreenInt(int x, int y, uint8_t value);
  void SetBlueInt(int x, int y, uint8_t value);
  void SetAlphaInt(int x, int y, uint8_t value);
  void SetGrayScaleInt(int x, int y, uint8_t value);

 protected:
  ~TVLImageBuffer() override = default;

  bool AcceptsContainer(TSLSmartBuffer* container) const override;

 private:
  // Raises ESLRangeError unless (x, y) lies inside the picture.
  void CheckPoint(int x, int y) const;
  // Replaces the container by a new one of `format` with the picture
  // converted (SetFormat's work once the format differs).
  void ConvertTo(TVLVideoFormat format);
  void SetChannel(int channel, uint8_t value);
  TIntf<IVLImageBuffer> ChannelImage(int channel);

  // The arithmetic family's shared steps (image_buffer_arith.cpp).
  // Which layouts a two-image operation may run on.
  enum class TOperandRule { kWithGray, kColorOnly };
  // This frame's pixels (unique, contents kept) and the other frame's in the
  // same layout, over the common region anchored at (0, 0).
  struct TOperands {
    TIntf<TVLImageBuffer> converted;  // keeps a converted copy of the other frame alive
    const uint8_t* src = nullptr;
    int srcStep = 0;
    uint8_t* dst = nullptr;
    int dstStep = 0;
    IppiSize roi{0, 0};
    TVLVideoFormat layout = vfRGB24;
    bool Empty() const { return roi.width <= 0 || roi.height <= 0; }
  };
  TOperands PrepareOperands(IVLImageBuffer* image, TOperandRule rule);
  static TIntf<TVLImageBuffer> HoldOperand(IVLImageBuffer* image);
  // This frame in RGB24 or RGBA32, unique with its contents kept, whole frame.
  TOperands PrepareSelf();
  void FillColor(TVLColor color);
  void FillByte(uint8_t value);

  TVLSmartImageBuffer* imageContainer_ = nullptr;
  TVLVideoFormat format_ = vfRGB24;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t extWidth_ = 0;
  int32_t bytesPerPixel_ = 0;
  int32_t step_ = 0;
  TVLTimeCode timeCode_{*this};
  TVLDateTime dateTime_{*this};
  bool isKeyFrame_ = false;
};

}  // namespace lumicar
