#include "capture/camera_recovery.h"

#include <QCoreApplication>
#include <QThread>
#include <cstring>
#include <exception>

#include "capture/frames/capture_log.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

QString VLCameraStatusText(TVLCameraStatus status, const QString& detail) {
  switch (status) {
    case cstReady:
      return {};
    case cstBusy:
      return QStringLiteral("The camera is in use by another program — trying again");
    case cstDisconnected:
      return QStringLiteral("Camera disconnected — waiting for it");
    case cstSilent:
      return QStringLiteral("The camera sends no picture — trying again");
    case cstLowBandwidth:
      return detail.isEmpty() ? QStringLiteral("Not enough USB bandwidth — showing a smaller picture")
                              : QStringLiteral("Not enough USB bandwidth — showing %1 instead").arg(detail);
    case cstNoBandwidth:
      return QStringLiteral("Not enough USB bandwidth for the camera — trying again");
  }
  return {};
}

bool VLCameraStatusRetries(TVLCameraStatus status) {
  return status == cstBusy || status == cstDisconnected || status == cstSilent || status == cstNoBandwidth;
}

TVLCameraRecovery::TVLCameraRecovery(THooks hooks, QObject* parent) : QObject(parent), hooks_(std::move(hooks)) {
  timer_.setSingleShot(true);
  timer_.callOnTimeout(this, [this] { Retry(); });
}

void TVLCameraRecovery::Report(TVLCameraStatus status, int error, const QString& what, const QString& detail) {
  const uint64_t generation = generation_.load();
  // Applied in order on the owner's thread, after whatever the reporter
  // holds is given back.
  PostOrdered(this, [this, generation, status, error, what, detail] {
    if (generation == generation_.load()) Apply(status, error, what, detail);
  });
}

void TVLCameraRecovery::Cancel() {
  generation_.fetch_add(1);
  // A stop may come from another thread; the timer and the status are the
  // owner's thread's.
  if (QThread::currentThread() != thread()) {
    PostOrdered(this, [this] { Cancel(); });
    return;
  }
  timer_.stop();
  awaited_.clear();
  if (status_ == cstReady) return;
  qCInfo(lcCapture) << "Camera status: no longer retrying (the capture was stopped or another camera chosen)";
  status_ = cstReady;
  text_.clear();
  if (hooks_.announce) hooks_.announce(status_, text_);
}

void TVLCameraRecovery::MayBeBack() {
  if (QThread::currentThread() != thread()) {
    PostOrdered(this, [this] { MayBeBack(); });
    return;
  }
  if (status_ == cstDisconnected || status_ == cstBusy || status_ == cstNoBandwidth) Retry();
}

void TVLCameraRecovery::Apply(TVLCameraStatus status, int error, const QString& what, const QString& detail) {
  if (status == cstDisconnected && !detail.isEmpty()) awaited_ = detail;
  if (status == cstReady && status_ == cstLowBandwidth) {
    // A start that works after a reduced one keeps the notice for its time.
    return;
  }
  const QString text = VLCameraStatusText(status, detail);
  const bool changed = status != status_ || text != text_;
  status_ = status;
  text_ = text;
  if (status == cstReady) awaited_.clear();
  // Busy, no bandwidth and lost are tried again; a notice goes after a while.
  // A silent camera is restarted by its own streaming thread.
  if (status == cstBusy || status == cstDisconnected || status == cstNoBandwidth)
    timer_.start(kRetryMs);
  else if (status == cstLowBandwidth)
    timer_.start(kNoticeMs);
  else if (status == cstReady || status == cstSilent)
    timer_.stop();
  if (!changed) return;
  if (status == cstReady) {
    qCInfo(lcCapture) << "Camera status: the camera works again";
  } else if (error != 0) {
    qCWarning(lcCapture).noquote() << "Camera status:" << text << "(" << strerror(error) << ", errno" << error
                                   << ", while" << what << ")";
  } else {
    qCWarning(lcCapture).noquote() << "Camera status:" << text << "( while" << what << ")";
  }
  if (hooks_.announce) hooks_.announce(status_, text_);
}

void TVLCameraRecovery::Retry() {
  timer_.stop();
  if (retrying_) return;  // a start that pumps events must not start again
  retrying_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{retrying_};
  try {
    switch (status_) {
      case cstBusy:
      case cstNoBandwidth:
        hooks_.start();
        break;
      case cstDisconnected:
        // Only the camera waited for: anything else (the synthetic camera
        // behind "Default") would stand in for it for good.
        if (!awaited_.isEmpty() && !hooks_.listed(awaited_)) break;
        hooks_.rebind();
        hooks_.start();
        break;
      case cstLowBandwidth:
        // The notice has been shown long enough.
        status_ = cstReady;
        text_.clear();
        if (hooks_.announce) hooks_.announce(status_, text_);
        return;
      case cstReady:
      case cstSilent:
        return;
    }
  } catch (const std::exception& e) {
    qCWarning(lcCapture) << "Camera status: retrying the camera failed (" << e.what() << "); trying again later";
  }
  // Until a start reports back, the next try is due as usual.
  if (status_ == cstBusy || status_ == cstDisconnected || status_ == cstNoBandwidth) timer_.start(kRetryMs);
}

}  // namespace lumicar
