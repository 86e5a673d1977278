#pragma once
// TVLMirror: flips every frame that passes through it, upside down, left to
// right, or both (a half turn). The viewer's flip command switches it on and
// off; everything but the format choice and the flip is the common filter's.

#include <QObject>

#include "filters/common_filter.h"

// In a namespace of its own so that designs store the values by name ("mtBoth").
namespace lumicar::mirror_type {
Q_NAMESPACE

// The value is the axis code the mirror kernels take.
enum TVLMirrorType : uint8_t {
  mtHorizontal = 0,  // rows reversed: upside down
  mtVertical = 1,    // each row reversed: left to right
  mtBoth = 2,        // a half turn
};
Q_ENUM_NS(TVLMirrorType)

}  // namespace lumicar::mirror_type

namespace lumicar {

using mirror_type::TVLMirrorType;
using enum mirror_type::TVLMirrorType;

class TVLMirror : public TVLCommonFilter {
  Q_OBJECT
  // No default: the value is always stored with a design.
  Q_PROPERTY(lumicar::mirror_type::TVLMirrorType MirrorType READ MirrorType WRITE SetMirrorType)

 public:
  Q_INVOKABLE explicit TVLMirror(lumicar::TComponent* owner = nullptr);
  ~TVLMirror() override;

  TVLMirrorType MirrorType() const;
  // Takes effect with the next frame; waits for the frame in progress.
  void SetMirrorType(TVLMirrorType value);

  // GrayScale and RGBA32 frames keep their format; all others become RGB24.
  // YUY2 and UYVY frames are normally left to FilterInternalOperation,
  // which converts them while flipping: the same bytes in one pass.
  void SetVideoFormat(TVLImageBuffer& frame) override;
  // The flipped picture goes into a fresh container of the output (RGB24
  // for a YUY2 or UYVY frame).
  void FilterInternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output) override;

 private:
  TVLMirrorType mirrorType_ = mtHorizontal;
};

}  // namespace lumicar
