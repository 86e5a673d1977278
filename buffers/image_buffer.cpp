#include "buffers/image_buffer.h"

#include <cstring>

#include "buffers/sl_exception.h"
#include "buffers/vl_bitmap.h"
#include "kernels/dispatch/image_table.h"

namespace lumicar {

namespace {

TVLVideoFormat CheckedFormat(TVLVideoFormat format) {
  if (!VLIsValidFormat(format)) throw ESLException(QStringLiteral("Unknown video format %1").arg(int(format)));
  return format;
}

TVLSmartImageBuffer* AsImageContainer(TSLSmartBuffer* container) {
  return dynamic_cast<TVLSmartImageBuffer*>(container);
}

}  // namespace

// Construction

TVLImageBuffer::TVLImageBuffer() : TVLImageBuffer(0, 0, vfRGB24) {}

TVLImageBuffer::TVLImageBuffer(int width, int height, TVLVideoFormat format)
    : TMLMediaBuffer(VLCreateImageContainer(CheckedFormat(format), width, height), 0), format_(format) {
  SetDataContainer(DataContainer());
  PopulateCahces();
}

TVLImageBuffer::TVLImageBuffer(const uint8_t* data, int width, int height, TVLVideoFormat format)
    : TVLImageBuffer(width, height, format) {
  if (byteSize_ == 0) return;
  if (!data) throw ESLException(QStringLiteral("No pixel data was given"));
  std::memcpy(data_, data, byteSize_);
}

TVLImageBuffer::TVLImageBuffer(const TVLImageBuffer& other)
    : TMLMediaBuffer(other), format_(other.format_), isKeyFrame_(other.isKeyFrame_) {
  SetDataContainer(DataContainer());
  PopulateCahces();
}

TVLImageBuffer::TVLImageBuffer(ISLData* source) : TMLMediaBuffer(source) {
  // Throws for a handle whose container holds no picture.
  SetDataContainer(DataContainer());
  if (auto* image = dynamic_cast<TVLImageBuffer*>(source->GetInstance())) {
    format_ = image->format_;
    isKeyFrame_ = image->isKeyFrame_;
  } else {
    format_ = imageContainer_->GetLayout();
  }
  PopulateCahces();
}

TVLImageBuffer::TVLImageBuffer(IVLImageBuffer* source) : TVLImageBuffer(static_cast<ISLData*>(source)) {}

TVLImageBuffer::TVLImageBuffer(const TVLBitmap& bitmap)
    : TVLImageBuffer(bitmap.Width(), bitmap.Height(),
                     bitmap.Format() == TVLBitmapFormat::bf32bpp ? vfRGBA32 : vfRGB24) {
  FromBitmap(bitmap);
}

TVLImageBuffer* TVLImageBuffer::FromImage(IVLImageBuffer* image) {
  if (!image) throw ESLException(QStringLiteral("No image was given"));
  auto* buffer = dynamic_cast<TVLImageBuffer*>(image->GetInstance());
  if (!buffer) throw ESLException(QStringLiteral("The data is not an image buffer"));
  return buffer;
}

// Handle plumbing

TIntf<ISLData> TVLImageBuffer::MakeCopy() { return TIntf<ISLData>(new TVLImageBuffer(*this)); }

void TVLImageBuffer::Assign(ISLData* source) {
  TSLGenericBuffer* other = FromData(source);
  TMLMediaBuffer::Assign(source);
  if (auto* image = dynamic_cast<TVLImageBuffer*>(other)) {
    format_ = image->format_;
  } else if (VLLayoutOf(format_) != imageContainer_->GetLayout()) {
    format_ = imageContainer_->GetLayout();
  }
  PopulateCahces();
}

uint32_t TVLImageBuffer::GetByteSize() { return imageContainer_->GetImageSize(); }

uint32_t TVLImageBuffer::GetSize() { return imageContainer_->GetImageSize(); }

void TVLImageBuffer::PopulateCahces() {
  TMLMediaBuffer::PopulateCahces();
  const TVLSmartImageBuffer& c = *imageContainer_;
  byteSize_ = c.GetImageSize();
  width_ = c.GetWidth();
  height_ = c.GetHeight();
  extWidth_ = c.GetPaddedWidth();
  bytesPerPixel_ = c.GetBytesPerPixel();
  step_ = c.GetStep();
}

void TVLImageBuffer::SetDataContainer(TSLSmartBuffer* container) {
  TVLSmartImageBuffer* image = AsImageContainer(container);
  if (!image) throw ESLException(QStringLiteral("An image buffer needs an image container"));
  TMLMediaBuffer::SetDataContainer(container);
  imageContainer_ = image;
}

bool TVLImageBuffer::AcceptsContainer(TSLSmartBuffer* container) const {
  return AsImageContainer(container) != nullptr;
}

HRESULT TVLImageBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IVLImageBuffer) {
    *object = static_cast<IVLImageBuffer*>(this);
    AddRef();
    return S_OK;
  }
  return TMLMediaBuffer::QueryInterface(iid, object);
}

// Format and size

void TVLImageBuffer::ConvertTo(TVLVideoFormat format) {
  // Built before anything changes: if the pool refuses, the frame keeps its
  // old container and format.
  TVLSmartImageBuffer* converted = VLCreateConvertedContainer(format, *imageContainer_);
  format_ = format;
  ReplaceContainer(converted);
}

void TVLImageBuffer::SetFormat(TVLVideoFormat format) {
  if (format == format_) return;
  ConvertTo(CheckedFormat(format));
}

void TVLImageBuffer::SetFormatRGB() {
  if (format_ != vfRGB24 && format_ != vfRGBA32) SetFormat(vfRGB24);
}

void TVLImageBuffer::SetImageSizeFormat(int width, int height, TVLVideoFormat format) {
  if (width == width_ && height == height_ && format == format_) return;
  TVLSmartImageBuffer* created = VLCreateImageContainer(CheckedFormat(format), width, height);
  created->CopyTimeStamps(*imageContainer_);
  format_ = format;
  ReplaceContainer(created);
}

void TVLImageBuffer::SetImageSize(int width, int height) { SetImageSizeFormat(width, height, format_); }

// Single pixels

void TVLImageBuffer::CheckPoint(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    throw ESLRangeError(
        QStringLiteral("Pixel (%1, %2) lies outside the %3 x %4 image").arg(x).arg(y).arg(width_).arg(height_));
}

TVLColor TVLImageBuffer::GetPixel(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetPixel(x, y);
}

uint8_t TVLImageBuffer::GetRed(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetRed(x, y);
}

uint8_t TVLImageBuffer::GetGreen(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetGreen(x, y);
}

uint8_t TVLImageBuffer::GetBlue(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetBlue(x, y);
}

uint8_t TVLImageBuffer::GetAlpha(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetAlpha(x, y);
}

uint8_t TVLImageBuffer::GetGrayScale(int x, int y) {
  CheckPoint(x, y);
  return imageContainer_->GetGrayScale(x, y);
}

void TVLImageBuffer::SetPixel(int x, int y, TVLColor color) {
  CheckPoint(x, y);
  SetFormatRGB();
  MakeUnique(true);
  imageContainer_->SetPixel(x, y, color);
}

void TVLImageBuffer::SetRed(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  SetFormatRGB();
  MakeUnique(true);
  imageContainer_->SetRed(x, y, value);
}

void TVLImageBuffer::SetGreen(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  SetFormatRGB();
  MakeUnique(true);
  imageContainer_->SetGreen(x, y, value);
}

void TVLImageBuffer::SetBlue(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  SetFormatRGB();
  MakeUnique(true);
  imageContainer_->SetBlue(x, y, value);
}

void TVLImageBuffer::SetAlpha(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  SetFormat(vfRGBA32);
  MakeUnique(true);
  imageContainer_->SetAlpha(x, y, value);
}

void TVLImageBuffer::SetPixelAlpha(int x, int y, TVLColor color, uint8_t alpha) {
  CheckPoint(x, y);
  SetFormat(vfRGBA32);
  MakeUnique(true);
  imageContainer_->SetPixel(x, y, color);
  imageContainer_->SetAlpha(x, y, alpha);
}

void TVLImageBuffer::SetGrayScale(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  if (format_ != vfRGB24 && format_ != vfRGBA32 && format_ != vfGrayScale && format_ != vfRGB) SetFormat(vfGrayScale);
  MakeUnique(true);
  imageContainer_->SetGrayScale(x, y, value);
}

void TVLImageBuffer::SetPixelInt(int x, int y, TVLColor color) {
  CheckPoint(x, y);
  imageContainer_->SetPixel(x, y, color);
}

void TVLImageBuffer::SetRedInt(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  imageContainer_->SetRed(x, y, value);
}

void TVLImageBuffer::SetGreenInt(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  imageContainer_->SetGreen(x, y, value);
}

void TVLImageBuffer::SetBlueInt(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  imageContainer_->SetBlue(x, y, value);
}

void TVLImageBuffer::SetAlphaInt(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  imageContainer_->SetAlpha(x, y, value);
}

void TVLImageBuffer::SetGrayScaleInt(int x, int y, uint8_t value) {
  CheckPoint(x, y);
  imageContainer_->SetGrayScale(x, y, value);
}

// Whole channels

void TVLImageBuffer::SetChannel(int channel, uint8_t value) {
  SetFormatRGB();
  uint8_t* pixels = Modify();
  const IppiSize roi{width_, height_};
  if (format_ == vfRGBA32)
    ippiSet_8u_C4CR(value, pixels + channel, step_, roi);
  else
    ippiSet_8u_C3CR(value, pixels + channel, step_, roi);
}

void TVLImageBuffer::SetRedChannel(uint8_t value) { SetChannel(2, value); }
void TVLImageBuffer::SetGreenChannel(uint8_t value) { SetChannel(1, value); }
void TVLImageBuffer::SetBlueChannel(uint8_t value) { SetChannel(0, value); }

void TVLImageBuffer::SetAlphaChannel(uint8_t value) {
  SetFormat(vfRGBA32);
  uint8_t* pixels = Modify();
  ippiSet_8u_C4CR(value, pixels + 3, step_, IppiSize{width_, height_});
}

TIntf<IVLImageBuffer> TVLImageBuffer::ChannelImage(int channel) {
  TIntf<TVLImageBuffer> gray = MakeIntf<TVLImageBuffer>(width_, height_, vfGrayScale);
  uint8_t* dst = gray->Write();
  const int dstStep = gray->GetStep();
  const IppiSize roi{width_, height_};
  if (format_ == vfRGBA32) {
    ippiCopy_8u_C4C1R(Read() + channel, step_, dst, dstStep, roi);
  } else if (channel == 3) {
    ippiSet_8u_C1R(255, dst, dstStep, roi);
  } else {
    // Other layouts are read through an RGB24 copy; this frame stays as it is.
    TVLImageBuffer* rgb = this;
    TIntf<TVLImageBuffer> copy;
    if (VLLayoutOf(format_) != vfRGB24) {
      copy = MakeIntf<TVLImageBuffer>(*this);
      copy->SetFormat(vfRGB24);
      rgb = copy.get();
    }
    ippiCopy_8u_C3C1R(rgb->Read() + channel, rgb->GetStep(), dst, dstStep, roi);
  }
  return gray;
}

TIntf<IVLImageBuffer> TVLImageBuffer::GetRedChannel() { return ChannelImage(2); }
TIntf<IVLImageBuffer> TVLImageBuffer::GetGreenChannel() { return ChannelImage(1); }
TIntf<IVLImageBuffer> TVLImageBuffer::GetBlueChannel() { return ChannelImage(0); }
TIntf<IVLImageBuffer> TVLImageBuffer::GetAlphaChannel() { return ChannelImage(3); }

// Bitmaps

void TVLImageBuffer::FromBitmap(const TVLBitmap& bitmap) {
  if (bitmap.Empty()) return;
  SetImageSizeFormat(bitmap.Width(), bitmap.Height(), bitmap.Format() == TVLBitmapFormat::bf32bpp ? vfRGBA32 : vfRGB24);
  bitmap.ExportBuffer(Write(), step_);
}

void TVLImageBuffer::ToBitmap(TVLBitmap& bitmap) {
  if (format_ != vfRGBA32) SetFormat(vfRGB24);
  bitmap.ImportBuffer(Read(), step_, width_, height_,
                      format_ == vfRGBA32 ? TVLBitmapFormat::bf32bpp : TVLBitmapFormat::bf24bpp);
}

void TVLImageBuffer::SaveToBitmapFile(const QString& fileName) {
  TVLBitmap bitmap;
  ToBitmap(bitmap);
  bitmap.SaveToFile(fileName);
}

}  // namespace lumicar
