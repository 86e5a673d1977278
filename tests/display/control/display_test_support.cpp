#include "tests/display/control/display_test_support.h"

#include <QPainter>

#include "buffers/qimage/image_qimage.h"

namespace lumicar::test {

QImage QuadrantPicture(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB888);
  QPainter painter(&picture);
  const int hw = width / 2;
  const int hh = height / 2;
  painter.fillRect(0, 0, hw, hh, Qt::red);
  painter.fillRect(hw, 0, width - hw, hh, Qt::green);
  painter.fillRect(0, hh, hw, height - hh, Qt::blue);
  painter.fillRect(hw, hh, width - hw, height - hh, Qt::white);
  return picture;
}

TIntf<IVLImageBuffer> QuadrantFrame(int width, int height) { return VLImageFromBitmap(QuadrantPicture(width, height)); }

TIntf<IVLImageBuffer> SolidFrame(int width, int height, QColor color) {
  QImage picture(width, height, QImage::Format_RGB888);
  picture.fill(color);
  return VLImageFromBitmap(picture);
}

TDisplayRig::TDisplayRig()
    : source(new TTestFrameSource(&form)),
      display(NewComponent<TVLPainterDisplay>(&form)),
      recorder(new TSLOWSinkPin(&form, nullptr,
                                [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
                                  std::lock_guard<std::mutex> guard(mutex);
                                  mouse.push_back(TIntf<IOWNotifyOperation>(operation));
                                  return TOWDispatchResult();
                                })) {
  source->OutputPin()->Connect(display->InputPin());
  display->UserControlOutputPin()->Connect(recorder.get());
}

TDisplayRig::~TDisplayRig() {
  recorder.reset();
  delete display;
}

std::vector<TIntf<IOWNotifyOperation>> TDisplayRig::Mouse() {
  std::lock_guard<std::mutex> guard(mutex);
  return mouse;
}

}  // namespace lumicar::test
