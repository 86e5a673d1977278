#pragma once
// Hand-overs that ThreadSanitizer cannot see, told to it explicitly.
//
// Qt is not built with the sanitizer, and its posted-event queue orders a
// posting thread and the receiving one through futexes the sanitizer does not
// intercept. An event object written on one thread (its allocation, its
// fields) and read by our own code on the other then looks unordered
// whenever the receiver happened to be awake already and did not read the
// queue's wake-up descriptor. The poster marks the object as released just
// before handing it to Qt, the receiver marks it acquired before its first
// read:
//
//   auto* event = new TMyEvent(...);
//   RaceHandOver(event);
//   QCoreApplication::postEvent(target, event);
//   ...
//   bool event(QEvent* e) override { RaceTakeOver(e); ... }
//
// Outside a ThreadSanitizer build both are empty.

#if defined(__SANITIZE_THREAD__)
#define LUMICAR_RACE_ANNOTATIONS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LUMICAR_RACE_ANNOTATIONS 1
#endif
#endif

#ifdef LUMICAR_RACE_ANNOTATIONS
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace lumicar {

// Everything written to `object` before this call is seen by a thread that
// calls RaceTakeOver(object) after receiving it.
inline void RaceHandOver([[maybe_unused]] const void* object) {
#ifdef LUMICAR_RACE_ANNOTATIONS
  __tsan_release(const_cast<void*>(object));
#endif
}

inline void RaceTakeOver([[maybe_unused]] const void* object) {
#ifdef LUMICAR_RACE_ANNOTATIONS
  __tsan_acquire(const_cast<void*>(object));
#endif
}

}  // namespace lumicar
