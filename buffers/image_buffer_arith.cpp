// The arithmetic, logic, fill and compositing members of the video frame.
// Each works on this frame in place: it is made unique keeping its contents
// (the fills of whole pixels take it without), brought to a layout the
// kernels handle, and processed with one kernel call of the dispatch tables.

#include <algorithm>
#include <bit>
#include <cstring>

#include "buffers/image_buffer.h"
#include "buffers/image_pool_block.h"
#include "buffers/sl_exception.h"
#include "kernels/dispatch/audio_table.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

namespace {

// Scale factor of the arithmetic: every result halved, rounded half to even.
constexpr int kScale = 1;

bool IsConvertedForArithmetic(TVLVideoFormat format) {
  return format == vfYUY2 || format == vfUYVY || format == vfRGB565 || format == vfRGB555;
}

// The colour of a colour argument, without anything above its three bytes.
uint32_t ColorBytes(TVLColor color) { return VLColorValue(color) & 0x00FFFFFFu; }
uint32_t ColorAndAlpha(TVLColor color, uint8_t alpha) { return ColorBytes(color) | (uint32_t(alpha) << 24); }

// A kernel per layout of a two-image operation: three-channel (RGB24 and
// vfRGB), RGBA32 (alpha untouched) and one-channel (GrayScale).
template <class Fn>
struct TLayoutKernels {
  Fn* c3;
  Fn* ac4;
  Fn* c1;
  Fn* For(TVLVideoFormat layout) const { return layout == vfRGBA32 ? ac4 : layout == vfGrayScale ? c1 : c3; }
};

// The value kernels of one member: three-channel, RGBA32 with alpha
// untouched (null where the tables have none) and four-channel.
template <class Fn3, class Fn4>
struct TValueKernels {
  Fn3* c3;
  Fn3* ac4;
  Fn4* c4;
};

}  // namespace

// Operands

// The second operand of a two-image form as it is before the first one is
// taken over: when it is this very frame, `x.Add(a, x)` must add the old
// pixels of x, not a to itself. The copy shares the pixels.
TIntf<TVLImageBuffer> TVLImageBuffer::HoldOperand(IVLImageBuffer* image) {
  return MakeIntf<TVLImageBuffer>(*FromImage(image));
}

TVLImageBuffer::TOperands TVLImageBuffer::PrepareOperands(IVLImageBuffer* image, TOperandRule rule) {
  TVLImageBuffer* source = FromImage(image);
  // A frame of another format is combined through a converted copy: RGBA32
  // when this frame is RGBA32, otherwise both in RGB24. The packed and
  // 16-bit layouts are never processed directly; this frame turns RGB24,
  // and the other frame, whatever its format, is brought to this frame's
  // layout, so both sides always share one layout.
  if (source->format_ != format_ && format_ != vfRGBA32) SetFormat(vfRGB24);
  if (IsConvertedForArithmetic(format_)) SetFormat(vfRGB24);
  if (rule == TOperandRule::kColorOnly && format_ == vfGrayScale) SetFormat(vfRGB24);

  TOperands operands;
  operands.layout = VLLayoutOf(format_);
  TVLImageBuffer* other = source;
  if (VLLayoutOf(source->format_) != operands.layout) {
    operands.converted = MakeIntf<TVLImageBuffer>(*source);
    operands.converted->SetFormat(operands.layout);
    other = operands.converted.get();
  }
  // This frame first: when both handles share one container, this one moves
  // to a copy and the other keeps reading the original.
  operands.dst = Modify();
  operands.dstStep = step_;
  operands.src = other->Read();
  operands.srcStep = other->step_;
  operands.roi = IppiSize{std::min(width_, other->width_), std::min(height_, other->height_)};
  return operands;
}

TVLImageBuffer::TOperands TVLImageBuffer::PrepareSelf() {
  if (VLLayoutOf(format_) != vfRGB24 && format_ != vfRGBA32) SetFormat(vfRGB24);
  TOperands operands;
  operands.layout = VLLayoutOf(format_);
  operands.dst = Modify();
  operands.dstStep = step_;
  operands.roi = IppiSize{width_, height_};
  return operands;
}

namespace {

using TInPlaceSfs = IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
using TInPlace = IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize);

template <class Fn, class... Extra>
void RunImageKernel(const auto& operands, const TLayoutKernels<Fn>& kernels, Extra... extra) {
  if (operands.Empty()) return;
  kernels.For(operands.layout)(operands.src, operands.srcStep, operands.dst, operands.dstStep, operands.roi, extra...);
}

// Applies a value to every pixel, byte k of the value to byte k of the
// pixel. `allFourBytes` is the 32-bit value form, which reaches the alpha
// byte of RGBA32 frames; the colour form leaves it alone where the tables
// have a kernel for that and otherwise combines it with 0.
template <class T, class Fn3, class Fn4, class... Extra>
void RunValueKernel(const auto& operands, uint32_t value, bool allFourBytes, const TValueKernels<Fn3, Fn4>& kernels,
                    Extra... extra) {
  if (operands.Empty()) return;
  T bytes[4] = {T(value & 0xFF), T((value >> 8) & 0xFF), T((value >> 16) & 0xFF), T(value >> 24)};
  if (operands.layout != vfRGBA32) {
    kernels.c3(bytes, operands.dst, operands.dstStep, operands.roi, extra...);
  } else if (allFourBytes) {
    kernels.c4(bytes, operands.dst, operands.dstStep, operands.roi, extra...);
  } else if (kernels.ac4 != nullptr) {
    kernels.ac4(bytes, operands.dst, operands.dstStep, operands.roi, extra...);
  } else {
    bytes[3] = 0;
    kernels.c4(bytes, operands.dst, operands.dstStep, operands.roi, extra...);
  }
}

}  // namespace

// The members below read the dispatch pointers at call time, so a table
// bound to the acceleration library at start-up is used.
#define LUMICAR_IMAGE_FORMS(Name, Rule, Kernels, ...)                                 \
  void TVLImageBuffer::Name(IVLImageBuffer* image) {                                  \
    RunImageKernel(PrepareOperands(image, Rule), Kernels __VA_OPT__(, ) __VA_ARGS__); \
  }                                                                                   \
  void TVLImageBuffer::Name(IVLImageBuffer* a, IVLImageBuffer* b) {                   \
    const TIntf<TVLImageBuffer> second = HoldOperand(b);                              \
    Assign(a);                                                                        \
    Name(second.get());                                                               \
  }

#define LUMICAR_VALUE_FORMS(Name, T, Kernels, ...)                                                  \
  void TVLImageBuffer::Name(TVLColor color) {                                                       \
    RunValueKernel<T>(PrepareSelf(), ColorBytes(color), false, Kernels __VA_OPT__(, ) __VA_ARGS__); \
  }                                                                                                 \
  void TVLImageBuffer::Name(TVLColor color, uint8_t alpha) { Name(ColorAndAlpha(color, alpha)); }   \
  void TVLImageBuffer::Name(uint32_t value) {                                                       \
    RunValueKernel<T>(PrepareSelf(), value, true, Kernels __VA_OPT__(, ) __VA_ARGS__);              \
  }

LUMICAR_IMAGE_FORMS(Add, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlaceSfs>{ippiAdd_8u_C3IRSfs, ippiAdd_8u_AC4IRSfs, ippiAdd_8u_C1IRSfs}), kScale)
LUMICAR_IMAGE_FORMS(Subtract, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlaceSfs>{ippiSub_8u_C3IRSfs, ippiSub_8u_AC4IRSfs, ippiSub_8u_C1IRSfs}), kScale)
LUMICAR_IMAGE_FORMS(Multiply, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlaceSfs>{ippiMul_8u_C3IRSfs, ippiMul_8u_AC4IRSfs, ippiMul_8u_C1IRSfs}), kScale)
LUMICAR_IMAGE_FORMS(MultiplyScale, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlace>{ippiMulScale_8u_C3IR, ippiMulScale_8u_AC4IR, ippiMulScale_8u_C1IR}))
LUMICAR_IMAGE_FORMS(Divide, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlaceSfs>{ippiDiv_8u_C3IRSfs, ippiDiv_8u_AC4IRSfs, ippiDiv_8u_C1IRSfs}), kScale)
LUMICAR_IMAGE_FORMS(LAnd, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlace>{ippiAnd_8u_C3IR, ippiAnd_8u_AC4IR, ippiAnd_8u_C1IR}))
LUMICAR_IMAGE_FORMS(LOr, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlace>{ippiOr_8u_C3IR, ippiOr_8u_AC4IR, ippiOr_8u_C1IR}))
LUMICAR_IMAGE_FORMS(LXor, TOperandRule::kWithGray,
                    (TLayoutKernels<TInPlace>{ippiXor_8u_C3IR, ippiXor_8u_AC4IR, ippiXor_8u_C1IR}))

LUMICAR_VALUE_FORMS(AddValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiAddC_8u_C3IRSfs, kernel_fn::ippiAddC_8u_C4IRSfs>{
                        ippiAddC_8u_C3IRSfs, ippiAddC_8u_AC4IRSfs, ippiAddC_8u_C4IRSfs}),
                    kScale)
LUMICAR_VALUE_FORMS(SubtractValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiSubC_8u_C3IRSfs, kernel_fn::ippiSubC_8u_C4IRSfs>{
                        ippiSubC_8u_C3IRSfs, nullptr, ippiSubC_8u_C4IRSfs}),
                    kScale)
LUMICAR_VALUE_FORMS(MultiplyValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiMulC_8u_C3IRSfs, kernel_fn::ippiMulC_8u_C4IRSfs>{
                        ippiMulC_8u_C3IRSfs, ippiMulC_8u_AC4IRSfs, ippiMulC_8u_C4IRSfs}),
                    kScale)
LUMICAR_VALUE_FORMS(MultiplyScaleValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiMulCScale_8u_C3IR, kernel_fn::ippiMulCScale_8u_C4IR>{
                        ippiMulCScale_8u_C3IR, ippiMulCScale_8u_AC4IR, ippiMulCScale_8u_C4IR}))
LUMICAR_VALUE_FORMS(DivideValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiDivC_8u_C3IRSfs, kernel_fn::ippiDivC_8u_C4IRSfs>{
                        ippiDivC_8u_C3IRSfs, ippiDivC_8u_AC4IRSfs, ippiDivC_8u_C4IRSfs}),
                    kScale)
LUMICAR_VALUE_FORMS(LAndValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiAndC_8u_C3IR, kernel_fn::ippiAndC_8u_C4IR>{
                        ippiAndC_8u_C3IR, ippiAndC_8u_AC4IR, ippiAndC_8u_C4IR}))
LUMICAR_VALUE_FORMS(LOrValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiOrC_8u_C3IR, kernel_fn::ippiOrC_8u_C4IR>{
                        ippiOrC_8u_C3IR, ippiOrC_8u_AC4IR, ippiOrC_8u_C4IR}))
LUMICAR_VALUE_FORMS(LXorValue, Ipp8u,
                    (TValueKernels<kernel_fn::ippiXorC_8u_C3IR, kernel_fn::ippiXorC_8u_C4IR>{
                        ippiXorC_8u_C3IR, ippiXorC_8u_AC4IR, ippiXorC_8u_C4IR}))
LUMICAR_VALUE_FORMS(LShiftValue, Ipp32u,
                    (TValueKernels<kernel_fn::ippiLShiftC_8u_C3IR, kernel_fn::ippiLShiftC_8u_C4IR>{
                        ippiLShiftC_8u_C3IR, ippiLShiftC_8u_AC4IR, ippiLShiftC_8u_C4IR}))
LUMICAR_VALUE_FORMS(RShiftValue, Ipp32u,
                    (TValueKernels<kernel_fn::ippiRShiftC_8u_C3IR, kernel_fn::ippiRShiftC_8u_C4IR>{
                        ippiRShiftC_8u_C3IR, ippiRShiftC_8u_AC4IR, ippiRShiftC_8u_C4IR}))

#undef LUMICAR_IMAGE_FORMS
#undef LUMICAR_VALUE_FORMS

// |a - b| byte by byte with the one-channel kernel over the common region,
// each row min(widths) x bytes-per-pixel bytes wide. In RGBA32 frames the
// three colour bytes take part and this frame's alpha is kept, as in every
// other member: the difference goes to a temporary first and its colour
// bytes are copied back.
void TVLImageBuffer::AbsDiff(IVLImageBuffer* image) {
  const TOperands op = PrepareOperands(image, TOperandRule::kWithGray);
  if (op.Empty()) return;
  const int bytesPerPixel = VLBytesPerPixel(op.layout);
  const IppiSize bytes{op.roi.width * bytesPerPixel, op.roi.height};
  if (op.layout != vfRGBA32) {
    ippiAbsDiff_8u_C1R(op.dst, op.dstStep, op.src, op.srcStep, op.dst, op.dstStep, bytes);
    return;
  }
  const int tempStep = bytes.width;
  TVLPoolBlock temp(static_cast<std::size_t>(tempStep) * bytes.height);
  if (ippiAbsDiff_8u_C1R(op.dst, op.dstStep, op.src, op.srcStep, temp.Data(), tempStep, bytes) < 0) return;
  ippiCopy_8u_AC4R(temp.Data(), tempStep, op.dst, op.dstStep, op.roi);
}

void TVLImageBuffer::AbsDiff(IVLImageBuffer* a, IVLImageBuffer* b) {
  const TIntf<TVLImageBuffer> second = HoldOperand(b);
  Assign(a);
  AbsDiff(second.get());
}

void TVLImageBuffer::LNot() {
  const TOperands op = PrepareSelf();
  if (op.Empty()) return;
  if (op.layout == vfRGBA32)
    ippiNot_8u_AC4IR(op.dst, op.dstStep, op.roi);
  else
    ippiNot_8u_C3IR(op.dst, op.dstStep, op.roi);
}

void TVLImageBuffer::LNot(IVLImageBuffer* image) {
  const TOperands op = PrepareOperands(image, TOperandRule::kColorOnly);
  if (op.Empty()) return;
  if (op.layout == vfRGBA32)
    ippiNot_8u_AC4R(op.src, op.srcStep, op.dst, op.dstStep, op.roi);
  else
    ippiNot_8u_C3R(op.src, op.srcStep, op.dst, op.dstStep, op.roi);
}

void TVLImageBuffer::Sqr() {
  const TOperands op = PrepareSelf();
  if (op.Empty()) return;
  if (op.layout == vfRGBA32)
    ippiSqr_8u_AC4IRSfs(op.dst, op.dstStep, op.roi, kScale);
  else
    ippiSqr_8u_C3IRSfs(op.dst, op.dstStep, op.roi, kScale);
}

void TVLImageBuffer::Sqr(IVLImageBuffer* image) {
  const TOperands op = PrepareOperands(image, TOperandRule::kColorOnly);
  if (op.Empty()) return;
  if (op.layout == vfRGBA32)
    ippiSqr_8u_AC4RSfs(op.src, op.srcStep, op.dst, op.dstStep, op.roi, kScale);
  else
    ippiSqr_8u_C3RSfs(op.src, op.srcStep, op.dst, op.dstStep, op.roi, kScale);
}

// Both frames in RGBA32 (the other one through a converted copy); this
// frame := this frame composited with the other over the common region.
void TVLImageBuffer::AlphaComp(IVLImageBuffer* image, TVLAlphaCompOperation operation) {
  if (operation > acoPlus) throw ESLException(QStringLiteral("Unknown alpha composition %1").arg(int(operation)));
  FromImage(image);
  SetFormat(vfRGBA32);
  const TOperands op = PrepareOperands(image, TOperandRule::kColorOnly);
  if (op.Empty()) return;
  // The kernel writes a separate destination; the result is copied back
  // only when the kernel succeeded.
  const int tempStep = op.roi.width * 4;
  TVLPoolBlock temp(static_cast<std::size_t>(tempStep) * op.roi.height);
  if (ippiAlphaComp_8u_AC4R(op.dst, op.dstStep, op.src, op.srcStep, temp.Data(), tempStep, op.roi,
                            static_cast<IppiAlphaType>(operation)) < 0)
    return;
  for (int y = 0; y < op.roi.height; ++y)
    std::memcpy(op.dst + static_cast<std::ptrdiff_t>(y) * op.dstStep,
                temp.Data() + static_cast<std::ptrdiff_t>(y) * tempStep, static_cast<std::size_t>(tempStep));
}

// Fills

// Colour bytes in pixel order: blue, green, red.
void TVLImageBuffer::FillColor(TVLColor color) {
  const Ipp8u bgr[3] = {VLBlue(color), VLGreen(color), VLRed(color)};
  switch (format_) {
    case vfGrayScale:
      ippiSet_8u_C1R(VLLuminance(VLRed(color), VLGreen(color), VLBlue(color)), Write(), step_,
                     IppiSize{width_, height_});
      return;
    case vfRGBA32:
      // The alpha bytes are kept, also when the frame was shared.
      ippiSet_8u_AC4R(bgr, Modify(), step_, IppiSize{width_, height_});
      return;
    case vfRGB565:
    case vfRGB555: {
      const uint16_t word = static_cast<const TVLSmart16BitBuffer*>(imageContainer_)->Pack(color);
      ippiSet_16s_C1R(std::bit_cast<Ipp16s>(word), reinterpret_cast<Ipp16s*>(Write()), step_,
                      IppiSize{width_, height_});
      return;
    }
    default:
      if (VLLayoutOf(format_) != vfRGB24) SetFormat(vfRGB24);
      ippiSet_8u_C3R(bgr, Write(), step_, IppiSize{width_, height_});
      return;
  }
}

// A byte into the three colour bytes. Frames that are neither GrayScale nor
// RGBA32 become RGBA32 and opaque (alpha 255).
void TVLImageBuffer::FillByte(uint8_t value) {
  const IppiSize roi{width_, height_};
  if (format_ == vfGrayScale) {
    ippiSet_8u_C1R(value, Write(), step_, roi);
    return;
  }
  if (format_ == vfRGBA32) {
    const Ipp8u bytes[3] = {value, value, value};
    ippiSet_8u_AC4R(bytes, Modify(), step_, roi);
    return;
  }
  SetFormat(vfRGBA32);
  const Ipp8u bytes[4] = {value, value, value, 255};
  ippiSet_8u_C4R(bytes, Write(), step_, roi);
}

void TVLImageBuffer::SetValue(TVLColor color) { FillColor(color); }

void TVLImageBuffer::SetValue(TVLColor color, uint8_t alpha) {
  if (format_ != vfRGBA32) {
    FillColor(color);
    return;
  }
  const Ipp8u bytes[4] = {VLBlue(color), VLGreen(color), VLRed(color), alpha};
  ippiSet_8u_C4R(bytes, Write(), step_, IppiSize{width_, height_});
}

// The value is a colour 0xAABBGGRR read as 0xAARRGGBB: bits 16-23 go to
// byte 0, bits 0-7 to byte 2, the top byte is the alpha.
void TVLImageBuffer::SetValue(uint32_t value) {
  SetFormat(vfRGBA32);
  const Ipp8u bytes[4] = {Ipp8u(value >> 16), Ipp8u(value >> 8), Ipp8u(value), Ipp8u(value >> 24)};
  ippiSet_8u_C4R(bytes, Write(), step_, IppiSize{width_, height_});
}

void TVLImageBuffer::SetValue(uint8_t value) { FillByte(value); }

void TVLImageBuffer::SetValue(uint8_t value, uint8_t alpha) {
  if (format_ != vfRGBA32) {
    FillByte(value);
    return;
  }
  const Ipp8u bytes[4] = {value, value, value, alpha};
  ippiSet_8u_C4R(bytes, Write(), step_, IppiSize{width_, height_});
}

// The colour bytes are kept, also when the frame was shared.
void TVLImageBuffer::SetAlpha(uint8_t alpha) { SetAlphaChannel(alpha); }

void TVLImageBuffer::SetGrayScale(uint8_t value) {
  SetFormat(vfGrayScale);
  ippiSet_8u_C1R(value, Write(), step_, IppiSize{width_, height_});
}

void TVLImageBuffer::Zero() { FillColor(TVLColor{0}); }

void TVLImageBuffer::Zero(uint8_t alpha) { SetValue(TVLColor{0}, alpha); }

}  // namespace lumicar
