#pragma once
// A form holding a producer linked to a painter display and a recorder linked
// to the display's mouse output, and pictures of coloured quadrants.

#include <QColor>
#include <QImage>
#include <mutex>
#include <vector>

#include "display/control/painter_display.h"
#include "imagepins/data_buffer_pins.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {

// A picture of w x h in four quadrants: red, green (top), blue, white (bottom).
QImage QuadrantPicture(int width, int height);
// The same as an RGB24 frame.
TIntf<IVLImageBuffer> QuadrantFrame(int width, int height);
TIntf<IVLImageBuffer> SolidFrame(int width, int height, QColor color);

struct TDisplayRig {
  TDisplayRig();
  ~TDisplayRig();

  // What reached the recorder from the display's mouse output.
  std::vector<TIntf<IOWNotifyOperation>> Mouse();

  TComponent form;
  TTestFrameSource* source;
  TVLPainterDisplay* display;
  std::mutex mutex;
  std::vector<TIntf<IOWNotifyOperation>> mouse;
  TOWPinPtr<TSLOWSinkPin> recorder;
};

}  // namespace lumicar::test
