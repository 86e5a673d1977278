#pragma once
// Claims on one link (a stream link entry, the membership of a pin in a state
// group) rather than on a whole pin: a delivery, or a walk over the link
// graph, claims the link while it calls into the pin at its other end; the
// removal of that link closes it, refusing new claims and waiting for the
// running ones. Every path that removes a link, and every path by which a pin
// dies, closes the link first, so a granted claim keeps the pin at the other
// end alive until it is released. Only the link being removed is affected:
// deliveries over the other links of the same pin go on meanwhile.
//
// A thread's own claims do not hold up its own close: a receiver may unlink
// itself (or be freed) from inside the delivery to it. The calling thread
// then returns from the delivery with the pin still alive (see
// OWDeferWhileReceiving), and the rest of the delivery goes on.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TOWBasicPin;

class TOWLinkLock {
 public:
  TOWLinkLock() = default;
  TOWLinkLock(const TOWLinkLock&) = delete;
  TOWLinkLock& operator=(const TOWLinkLock&) = delete;

  // A shared claim; false once the link is closed.
  bool Claim() noexcept;
  void Unclaim() noexcept;
  // Refuses new claims and waits until the claims of other threads have
  // ended. Stays closed: a link that is made again gets a new lock.
  void Close() noexcept;
  bool IsClosed() const noexcept { return closed_.load(); }

 private:
  std::atomic<int32_t> inUse_{0};
  std::atomic<bool> closed_{false};
};

using TOWLinkLockRef = std::shared_ptr<TOWLinkLock>;

inline TOWLinkLockRef OWNewLinkLock() { return std::make_shared<TOWLinkLock>(); }

// One claim on a link for the lifetime of the object. A claim on no lock
// (none given) is granted and protects nothing.
class TOWLinkClaim {
 public:
  TOWLinkClaim() = default;
  explicit TOWLinkClaim(TOWLinkLockRef lock) { Take(std::move(lock)); }
  ~TOWLinkClaim() { Release(); }
  TOWLinkClaim(const TOWLinkClaim&) = delete;
  TOWLinkClaim& operator=(const TOWLinkClaim&) = delete;

  // Releases a claim held and takes one on lock; false when refused.
  bool Take(TOWLinkLockRef lock);
  void Release();
  explicit operator bool() const { return granted_; }

 private:
  TOWLinkLockRef lock_;
  bool held_ = false;
  bool granted_ = true;
};

// ---- Changing both ends of a link ----

// Lets one thread at a time change the link of a sink pin, so that the
// sink's source fields and the source's entry for the sink change under one
// claim: two threads that move the same sink never leave a source listing a
// sink that names another source (or none). The holding thread may claim it
// again (a receiver of a connection notice that relinks its own pin).
//
// Its holder does not wait for the deliveries over the link it removes: that
// link is closed, and the deliveries over it have returned, before the claim
// is taken. A delivery into the pin may therefore itself wait for the claim
// (a receiver unlinking its pin while another thread relinks it). A claim, not a ranked
// lock: the mutex inside is a leaf held only to note the holder.
class TOWLinkChangeGate {
 public:
  TOWLinkChangeGate() = default;
  TOWLinkChangeGate(const TOWLinkChangeGate&) = delete;
  TOWLinkChangeGate& operator=(const TOWLinkChangeGate&) = delete;

  void Enter();
  void Leave();

 private:
  TLeafMutex mutex_{"link change claim guard"};
  std::condition_variable_any free_;
  std::thread::id holder_;
  int depth_ = 0;
};

class TOWLinkChangeClaim {
 public:
  explicit TOWLinkChangeClaim(TOWLinkChangeGate& gate) : gate_(gate) { gate_.Enter(); }
  ~TOWLinkChangeClaim() { gate_.Leave(); }
  TOWLinkChangeClaim(const TOWLinkChangeClaim&) = delete;
  TOWLinkChangeClaim& operator=(const TOWLinkChangeClaim&) = delete;

 private:
  TOWLinkChangeGate& gate_;
};

// ---- Receivers being called on this thread ----

// Marks, for its lifetime, that the calling thread is inside a call into the
// given receiving pins (a delivery, a new-link notice, a group delivery).
class TOWReceiving {
 public:
  explicit TOWReceiving(const TOWBasicPin* pin, const TOWBasicPin* realPin = nullptr);
  ~TOWReceiving();
  TOWReceiving(const TOWReceiving&) = delete;
  TOWReceiving& operator=(const TOWReceiving&) = delete;
};

// The calling thread is inside a call into pin.
bool OWThreadIsReceiving(const TOWBasicPin* pin);
// The calling thread is inside a call into any receiver.
bool OWThreadIsInDelivery();
// Runs action once the calling thread has returned from every call into a
// receiver (at once when it is in none).
void OWDeferWhileReceiving(std::function<void()> action);

}  // namespace lumicar
