#pragma once
// What the camera reports about interlacing (TVLDSVideoInterlacing, decoded
// from the flags of a second-version video header) and the picture's aspect
// ratio (TVLBasicAspectRatio). The capture fills both when it reads the
// negotiated format; readers see them under the capture's lock.

#include <cstdint>

#include "components/lp_persistent.h"

namespace lumicar::interlacing {
Q_NAMESPACE

enum TVLDSInterlacingFieldPattern { ifpField1Only = 0, ifpField2Only = 1, ifpBothRegular = 2, ifpBothIrregular = 3 };
Q_ENUM_NS(TVLDSInterlacingFieldPattern)

// The flags may also hold 3, which names no mode.
enum TVLDSInterlacingMode { imBobOnly = 0, imWeaveOnly = 1, imBobOrWeave = 2 };
Q_ENUM_NS(TVLDSInterlacingMode)

}  // namespace lumicar::interlacing

namespace lumicar {

using interlacing::TVLDSInterlacingFieldPattern;
using enum interlacing::TVLDSInterlacingFieldPattern;
using interlacing::TVLDSInterlacingMode;
using enum interlacing::TVLDSInterlacingMode;

class TVLDSVideoInterlacing : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool Interlaced READ Interlaced STORED false)
  Q_PROPERTY(int FirstField READ FirstField STORED false)
  Q_PROPERTY(lumicar::interlacing::TVLDSInterlacingFieldPattern FieldPattern READ FieldPattern STORED false)
  Q_PROPERTY(lumicar::interlacing::TVLDSInterlacingMode Mode READ Mode STORED false)

 public:
  template <LPLockOwner Owner>
  explicit TVLDSVideoInterlacing(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TVLDSVideoInterlacing() : TLPPersistent(nullptr, nullptr) {}

  // The header's interlace flags as reported; set by the capture under its
  // write lock.
  void SetFlags(uint32_t flags);
  uint32_t Flags() const;

  // Bit 0.
  bool Interlaced() const;
  // 1 when bit 2 is set, else 2.
  int FirstField() const;
  // Bits 4 and 5.
  TVLDSInterlacingFieldPattern FieldPattern() const;
  // Bits 6 and 7.
  TVLDSInterlacingMode Mode() const;

 private:
  uint32_t flags_ = 0;
};

class TVLBasicAspectRatio : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(quint32 Width READ Width WRITE SetWidth)
  Q_PROPERTY(quint32 Height READ Height WRITE SetHeight)

 public:
  template <LPLockOwner Owner>
  explicit TVLBasicAspectRatio(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TVLBasicAspectRatio() : TLPPersistent(nullptr, nullptr) {}

  uint32_t Width() const { return Lock()->Getter(width_); }
  void SetWidth(uint32_t value) { Lock()->Setter(width_, value); }
  uint32_t Height() const { return Lock()->Getter(height_); }
  void SetHeight(uint32_t value) { Lock()->Setter(height_, value); }

 private:
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

}  // namespace lumicar
