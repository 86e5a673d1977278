#pragma once
// TVLCameraRecovery: the capture's camera status and the retries behind it.
// A start that finds the camera held by another program, or without USB
// bandwidth, is tried again every 2 s; a lost camera is waited for and
// opened again, by its stable identity, once it is listed again (checked
// every 2 s, or at once when someone who watches the system's devices says
// a camera may be back); a notice that the camera runs a reduced format
// stays for a while. Every change of status is logged once and announced
// to the capture's user.
//
// Threads: statuses may be reported from any thread; they are applied, the
// timer runs and the retries are made on the thread that owns this object
// (the user-interface thread), with none of the capture's locks held.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>

#include "capture/camera_status.h"

namespace lumicar {

class TVLCameraRecovery : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRetryMs = 2000;
  static constexpr int kNoticeMs = 5000;

  // What the retries do with the capture.
  struct THooks {
    // Starts the capture (nothing when it runs).
    std::function<void()> start;
    // Lets the lost camera go, so that the next start binds it anew.
    std::function<void()> rebind;
    // Whether a camera with this stable identity is present.
    std::function<bool(const QString& identity)> listed;
    // The status reached the user's side (the capture's event).
    std::function<void(TVLCameraStatus status, const QString& text)> announce;
  };

  explicit TVLCameraRecovery(THooks hooks, QObject* parent = nullptr);

  // Any thread. `error` is the errno behind it (0: none) and `what` what was
  // being done; for cstDisconnected `detail` is the identity of the camera
  // waited for, for cstLowBandwidth the format shown instead.
  void Report(TVLCameraStatus status, int error, const QString& what, const QString& detail = {});
  // The user stopped the capture or chose another camera (any thread): no
  // retry is pending any more, statuses reported before are dropped, and
  // the text goes.
  void Cancel();
  // Any thread: a camera may have appeared; a capture waiting for one tries
  // at once (on the owner's thread).
  void MayBeBack();

  // ---- The owner's thread ----
  TVLCameraStatus Status() const { return status_; }
  QString Text() const { return text_; }
  // The identity of the camera waited for; empty when none.
  QString Awaited() const { return awaited_; }
  // The retry timer (single shot), for diagnostics and tests.
  QTimer* Timer() { return &timer_; }
  // The retry itself, as the timer makes it.
  void Retry();

 private:
  void Apply(TVLCameraStatus status, int error, const QString& what, const QString& detail);

  THooks hooks_;
  QTimer timer_;
  // Counts cancellations: a status reported before one is stale.
  std::atomic<uint64_t> generation_{0};
  TVLCameraStatus status_ = cstReady;
  QString text_;
  QString awaited_;
  bool retrying_ = false;
};

}  // namespace lumicar
