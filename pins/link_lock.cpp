#include "pins/link_lock.h"

#include <algorithm>
#include <vector>

namespace lumicar {

namespace {
// The link locks the calling thread holds claims on (one element per claim).
thread_local std::vector<const TOWLinkLock*> tlsLinkClaims;
// The receivers the calling thread is calling into, innermost last.
thread_local std::vector<const TOWBasicPin*> tlsReceiving;
thread_local std::vector<std::function<void()>> tlsDeferred;
}  // namespace

bool TOWLinkLock::Claim() noexcept {
  // Claim first, then look: with Close, which marks first and then looks,
  // either this claim sees the close or the close waits for this claim.
  inUse_.fetch_add(1);
  if (closed_.load()) {
    Unclaim();
    return false;
  }
  tlsLinkClaims.push_back(this);
  return true;
}

void TOWLinkLock::Unclaim() noexcept {
  inUse_.fetch_sub(1);
  if (closed_.load()) inUse_.notify_all();
}

void TOWLinkLock::Close() noexcept {
  closed_.store(true);
  const auto own = static_cast<int32_t>(
      std::count(tlsLinkClaims.begin(), tlsLinkClaims.end(), static_cast<const TOWLinkLock*>(this)));
  for (int32_t running = inUse_.load(); running > own; running = inUse_.load()) inUse_.wait(running);
}

bool TOWLinkClaim::Take(TOWLinkLockRef lock) {
  Release();
  lock_ = std::move(lock);
  if (!lock_) {
    granted_ = true;
    return true;
  }
  held_ = lock_->Claim();
  granted_ = held_;
  return granted_;
}

void TOWLinkClaim::Release() {
  if (held_) {
    auto it = std::find(tlsLinkClaims.rbegin(), tlsLinkClaims.rend(), lock_.get());
    if (it != tlsLinkClaims.rend()) tlsLinkClaims.erase(std::next(it).base());
    lock_->Unclaim();
    held_ = false;
  }
  lock_.reset();
  granted_ = true;
}

void TOWLinkChangeGate::Enter() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock guard(mutex_);
  free_.wait(guard, [&] { return depth_ == 0 || holder_ == self; });
  holder_ = self;
  ++depth_;
}

void TOWLinkChangeGate::Leave() {
  std::lock_guard guard(mutex_);
  if (--depth_ > 0) return;
  holder_ = std::thread::id();
  free_.notify_all();
}

TOWReceiving::TOWReceiving(const TOWBasicPin* pin, const TOWBasicPin* realPin) {
  tlsReceiving.push_back(pin);
  tlsReceiving.push_back(realPin);
}

TOWReceiving::~TOWReceiving() {
  tlsReceiving.pop_back();
  tlsReceiving.pop_back();
  if (!tlsReceiving.empty() || tlsDeferred.empty()) return;
  // The thread has left its last receiver: what waited for that runs now
  // (an action may start deliveries and defer again).
  std::vector<std::function<void()>> actions;
  actions.swap(tlsDeferred);
  for (auto& action : actions) action();
}

bool OWThreadIsReceiving(const TOWBasicPin* pin) {
  return pin && std::find(tlsReceiving.begin(), tlsReceiving.end(), pin) != tlsReceiving.end();
}

bool OWThreadIsInDelivery() { return !tlsReceiving.empty(); }

void OWDeferWhileReceiving(std::function<void()> action) {
  if (tlsReceiving.empty()) {
    action();
    return;
  }
  tlsDeferred.push_back(std::move(action));
}

}  // namespace lumicar
