// Lumicar: a USB camera as a document camera.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "buffers/block_pool.h"
#include "buffers/pool_trim_clock.h"
#include "kernels/dispatch/dispatch.h"

int main(int argc, char** argv) {
  // The kernel tables are bound once, before any component can call a kernel.
  lumicar::InitializeKernelDispatch();
  int status = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumicar");

    // The block pool gives unused frame blocks back to the system on the
    // user-interface thread's own clock.
    lumicar::TSLPoolTrimClock trimClock;
    QTimer trimTimer;
    trimTimer.setInterval(lumicar::SLMemoryTickInterval);
    QObject::connect(&trimTimer, &QTimer::timeout, [&trimClock] { trimClock.Advance(); });
    trimTimer.start();

    QWidget window;
    window.setWindowTitle("Lumicar");
    window.resize(640, 480);
    window.show();
    status = app.exec();
  }
  lumicar::SLMemoryCleanUp();
  lumicar::FinalizeKernelDispatch();
  return status;
}
