#pragma once
// The frame size a component asks a camera for (TVLVideoSize), and the
// capture's variant with a Current flag that keeps the camera's own size
// (TVLOptionalVideoSize). Both share their owner's lock.

#include <cstdint>
#include <functional>

#include "components/lp_persistent.h"

namespace lumicar {

class TVLVideoSize : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(quint32 Width READ Width WRITE SetWidth)
  Q_PROPERTY(quint32 Height READ Height WRITE SetHeight)
  Q_CLASSINFO("Default.Width", "320")
  Q_CLASSINFO("Default.Height", "240")

 public:
  // Shares owner's lock; onChange (may be empty) runs after Width or Height
  // changed, with the write lock held.
  template <LPLockOwner Owner>
  explicit TVLVideoSize(Owner* owner, std::function<void()> onChange = {})
      : TLPPersistent(owner), onChange_(std::move(onChange)) {}
  // A free-standing one, for copying settings (a lock of its own).
  Q_INVOKABLE TVLVideoSize() : TLPPersistent(nullptr, nullptr) {}

  // No range check: the camera decides what it can give.
  uint32_t Width() const { return Lock()->Getter(width_); }
  void SetWidth(uint32_t value) { Lock()->Setter(width_, value); }
  uint32_t Height() const { return Lock()->Getter(height_); }
  void SetHeight(uint32_t value) { Lock()->Setter(height_, value); }

  void NotifyProp() override;

 private:
  uint32_t width_ = 320;
  uint32_t height_ = 240;
  std::function<void()> onChange_;
};

class TVLOptionalVideoSize : public TVLVideoSize {
  Q_OBJECT
  Q_PROPERTY(bool Current READ Current WRITE SetCurrent)
  Q_CLASSINFO("Default.Current", "True")

 public:
  template <LPLockOwner Owner>
  explicit TVLOptionalVideoSize(Owner* owner, std::function<void()> onChange = {})
      : TVLVideoSize(owner, std::move(onChange)) {}
  Q_INVOKABLE TVLOptionalVideoSize() = default;

  // True: the camera keeps the size it has; Width and Height are not applied.
  bool Current() const { return Lock()->Getter(current_); }
  // Stored under the write lock without any change callback: the owner reads
  // the flag when it next builds.
  void SetCurrent(bool value);

 private:
  bool current_ = true;
};

}  // namespace lumicar
