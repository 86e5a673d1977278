#include "capture/video_interlacing.h"

namespace lumicar {

void TVLDSVideoInterlacing::SetFlags(uint32_t flags) {
  auto section = WriteLock();
  flags_ = flags;
}

uint32_t TVLDSVideoInterlacing::Flags() const {
  auto section = ReadLock();
  return flags_;
}

bool TVLDSVideoInterlacing::Interlaced() const { return (Flags() & 0x01u) != 0; }

int TVLDSVideoInterlacing::FirstField() const { return (Flags() & 0x04u) != 0 ? 1 : 2; }

TVLDSInterlacingFieldPattern TVLDSVideoInterlacing::FieldPattern() const {
  return TVLDSInterlacingFieldPattern((Flags() >> 4) & 0x03u);
}

TVLDSInterlacingMode TVLDSVideoInterlacing::Mode() const { return TVLDSInterlacingMode((Flags() >> 6) & 0x03u); }

}  // namespace lumicar
