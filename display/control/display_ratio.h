#pragma once
// TVLAspectRatio: a display's aspect correction (mode and custom reference
// proportions). It shares the display's lock; every change calls the display
// back so that it lays the picture out again.

#include <cstdint>
#include <functional>

#include "components/lp_persistent.h"
#include "display/control/display_ratio_mode.h"

namespace lumicar {

class TVLAspectRatio : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::aspect_ratio_mode::TVLAspectRatioMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(quint32 Width READ Width WRITE SetWidth)
  Q_PROPERTY(quint32 Height READ Height WRITE SetHeight)
  Q_CLASSINFO("Default.Mode", "arAuto")
  Q_CLASSINFO("Default.Width", "4")
  Q_CLASSINFO("Default.Height", "3")

 public:
  // Shares owner's lock; onChange runs after every change, with the lock held.
  template <LPLockOwner Owner>
  explicit TVLAspectRatio(Owner* owner, std::function<void()> onChange = {})
      : TLPPersistent(owner), onChange_(std::move(onChange)) {}
  // A free-standing one, for copying settings (a lock of its own).
  Q_INVOKABLE TVLAspectRatio() : TLPPersistent(nullptr, nullptr) {}

  TVLAspectRatioMode Mode() const;
  void SetMode(TVLAspectRatioMode value);
  uint32_t Width() const { return Lock()->Getter(width_); }
  void SetWidth(uint32_t value) { Lock()->Setter(width_, value); }
  uint32_t Height() const { return Lock()->Getter(height_); }
  void SetHeight(uint32_t value) { Lock()->Setter(height_, value); }

  void NotifyProp() override;

 private:
  TVLAspectRatioMode mode_ = arAuto;
  uint32_t width_ = 4;
  uint32_t height_ = 3;
  std::function<void()> onChange_;
};

}  // namespace lumicar
