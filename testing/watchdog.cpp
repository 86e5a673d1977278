#include "testing/watchdog.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMICAR_SANITIZER_STACKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LUMICAR_SANITIZER_STACKS 1
#endif
#endif

#ifdef LUMICAR_SANITIZER_STACKS
#include <sanitizer/common_interface_defs.h>
#else
#include <execinfo.h>
#endif

namespace lumicar::testtools {

bool TStallDetector::Stalled(uint64_t count, TClock::time_point now) {
  if (!seen_ || count != count_) {
    seen_ = true;
    count_ = count;
    since_ = now;
    return false;
  }
  return now - since_ >= timeout_;
}

namespace {

// Only what is safe in a signal handler below: write, open, read, syscall.
void Write(const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;
    text += n;
    left -= size_t(n);
  }
}

void FormatNumber(long value, char* out, size_t size) {
  char digits[24];
  size_t n = 0;
  unsigned long v = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v != 0 && n < sizeof digits);
  size_t at = 0;
  if (value < 0 && at + 1 < size) out[at++] = '-';
  while (n > 0 && at + 1 < size) out[at++] = digits[--n];
  out[at] = '\0';
}

void ThreadName(long tid, char* out, size_t size) {
  char path[64] = "/proc/self/task/";
  char number[24];
  FormatNumber(tid, number, sizeof number);
  std::strncat(path, number, sizeof path - std::strlen(path) - 1);
  std::strncat(path, "/comm", sizeof path - std::strlen(path) - 1);
  out[0] = '\0';
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  const ssize_t n = ::read(fd, out, size - 1);
  ::close(fd);
  if (n <= 0) return;
  out[n] = '\0';
  if (char* end = std::strchr(out, '\n')) *end = '\0';
}

void WriteThreadHeader(long tid, const char* note) {
  char number[24], name[32];
  FormatNumber(tid, number, sizeof number);
  ThreadName(tid, name, sizeof name);
  Write("---- thread ");
  Write(number);
  Write(" (");
  Write(name);
  Write(")");
  Write(note);
  Write("\n");
}

void PrintOwnStack() {
#ifdef LUMICAR_SANITIZER_STACKS
  __sanitizer_print_stack_trace();
#else
  void* frames[64];
  const int n = ::backtrace(frames, 64);
  ::backtrace_symbols_fd(frames, n, STDERR_FILENO);
#endif
}

long CurrentTid() { return long(::syscall(SYS_gettid)); }

// The thread asked to print now, and the last one that finished: the printer
// waits for its answer before asking the next, so stacks never interleave.
std::atomic<long> asked{0};
std::atomic<long> answered{0};

void OnStackSignal(int) {
  const int savedErrno = errno;
  const long tid = CurrentTid();
  if (asked.load(std::memory_order_acquire) == tid) {
    WriteThreadHeader(tid, "");
    PrintOwnStack();
    answered.store(tid, std::memory_order_release);
  }
  errno = savedErrno;
}

int StackSignal() { return SIGRTMIN + 4; }

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = OnStackSignal;
    sigemptyset(&action.sa_mask);
    // A thread interrupted in a blocking call goes back to it afterwards.
    action.sa_flags = SA_RESTART;
    sigaction(StackSignal(), &action, nullptr);
  });
}

std::vector<long> ThreadIds() {
  std::vector<long> ids;
  DIR* dir = ::opendir("/proc/self/task");
  if (!dir) return ids;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    ids.push_back(std::strtol(entry->d_name, nullptr, 10));
  }
  ::closedir(dir);
  return ids;
}

}  // namespace

void PrintAllThreadStacks(std::chrono::milliseconds answer) {
  InstallHandler();
  const long self = CurrentTid();
  const pid_t pid = ::getpid();
  for (long tid : ThreadIds()) {
    if (tid == self) {
      WriteThreadHeader(tid, " [printing the stacks]");
      PrintOwnStack();
      continue;
    }
    answered.store(0, std::memory_order_release);
    asked.store(tid, std::memory_order_release);
    // A thread that ended since the listing cannot answer.
    if (::syscall(SYS_tgkill, pid, tid, StackSignal()) != 0) continue;
    const auto end = std::chrono::steady_clock::now() + answer;
    while (answered.load(std::memory_order_acquire) != tid && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (answered.load(std::memory_order_acquire) != tid) {
      WriteThreadHeader(tid, " did not answer (signals blocked?)");
    }
  }
  asked.store(0, std::memory_order_release);
}

TWatchdog::TWatchdog(std::chrono::milliseconds timeout) : timeout_(timeout) {
  // The handler is in place before anything can hang.
  InstallHandler();
  thread_ = std::thread([this] { Run(); });
}

TWatchdog::~TWatchdog() {
  {
    std::lock_guard guard(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void TWatchdog::SetStage(std::string stage) {
  std::lock_guard guard(lock_);
  stage_ = std::move(stage);
  progress_.fetch_add(1, std::memory_order_relaxed);
}

void TWatchdog::Run() {
  // Checked ten times a timeout, so that a hang is reported at most a tenth late.
  const auto interval = std::max(timeout_ / 10, std::chrono::milliseconds(1));
  TStallDetector detector(timeout_);
  std::unique_lock guard(lock_);
  while (!stop_) {
    if (detector.Stalled(progress_.load(std::memory_order_relaxed), TStallDetector::TClock::now())) Expire();
    wake_.wait_for(guard, interval, [this] { return stop_; });
  }
}

void TWatchdog::Expire() {
  char ms[24];
  FormatNumber(long(timeout_.count()), ms, sizeof ms);
  Write("\nwatchdog: no progress for ");
  Write(ms);
  Write(" ms during \"");
  Write(stage_.c_str());
  Write("\"; the stacks of every thread follow\n");
  PrintAllThreadStacks();
  Write("watchdog: aborting\n");
  std::abort();
}

}  // namespace lumicar::testtools
