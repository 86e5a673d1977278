#include "capture/frames/lp_thread.h"

#include <pthread.h>

#include "capture/frames/capture_log.h"
#include "runtime/component.h"
#include "runtime/persistent.h"

namespace lumicar {

TLPThread::TLPThread(const QString& name) : name_(name) {}

TLPThread::~TLPThread() {
  // A derived destructor ends the thread before its fields go; this is the
  // last line of defence for one that forgot.
  MarkTerminated();
  WaitFor();
}

QString TLPThread::GetComponentName(const TComponent* component) {
  if (!component) return {};
  return component->Name().isEmpty() ? ClassNameOf(component) : component->Name();
}

void TLPThread::Start(TPriority priority) {
  std::lock_guard guard(threadLock_);
  if (thread_.joinable()) return;
  priority_ = priority;
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] {
    Execute();
    running_.store(false, std::memory_order_release);
  });
  // Named before Start returns, not only once the thread gets to it: a look
  // at the process's threads right after a start would otherwise see a
  // thread under the program's own name, renamed a moment later.
  Name(thread_.native_handle());
  // Ordinary time-shared scheduling has no priorities to raise without
  // privileges; the level is kept for the record and for platforms that
  // honour it.
}

void TLPThread::WaitFor() {
  std::lock_guard guard(threadLock_);
  if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
  thread_.join();
}

bool TLPThread::IsRunning() const { return running_.load(std::memory_order_acquire); }

void TLPThread::SetName() { Name(pthread_self()); }

void TLPThread::Name(pthread_t thread) {
  // The system keeps 15 characters of a thread name; the tail is the part
  // that tells the threads of one component apart.
  QByteArray name = name_.toUtf8();
  if (name.size() > 15) name = name.right(15);
  if (const int error = pthread_setname_np(thread, name.constData()))
    qCInfo(lcCapture) << "Naming the thread" << name_ << "failed with error" << error
                      << "; it runs under the name it was given by the system";
}

}  // namespace lumicar
