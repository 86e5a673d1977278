#include "tests/display/control/ds_display_rig.h"

#include <QCoreApplication>
#include <QScreen>
#include <QTest>

#include "buffers/qimage/image_qimage.h"
#include "display/control/display_classes.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "testing/event_pump.h"
#include "tests/display/control/display_test_support.h"

namespace lumicar::test {

std::array<QColor, 4> KernelQuadrantColours(TVLVideoFormat format) {
  auto frame = MakeIntf<TVLImageBuffer>(QuadrantFrame(16, 16).get());
  frame->SetFormat(format);
  QImage back;
  ToBitmap(frame.get(), back);
  return {back.pixelColor(4, 4), back.pixelColor(12, 4), back.pixelColor(4, 12), back.pixelColor(12, 12)};
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  return testtools::PumpUntil(done, std::chrono::milliseconds(ms));
}

bool Near(QColor colour, QColor expected, int tolerance) {
  return std::abs(colour.red() - expected.red()) <= tolerance &&
         std::abs(colour.green() - expected.green()) <= tolerance &&
         std::abs(colour.blue() - expected.blue()) <= tolerance;
}

QImage ScreenShot(QWidget* window) {
  QScreen* screen = window->screen();
  if (screen == nullptr) return {};
  return screen->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage ScreenShotOfScreen(QWidget* window) {
  QScreen* screen = window->screen();
  if (screen == nullptr) return {};
  return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

::testing::AssertionResult ShowsQuadrants(const QImage& shot, const QRect& area, int tolerance,
                                          const std::array<QColor, 4>& colours) {
  if (shot.isNull()) return ::testing::AssertionFailure() << "no picture";
  if (area.width() < 8 || area.height() < 8) return ::testing::AssertionFailure() << "picture too small";
  const int mx = area.width() / 8;
  const int my = area.height() / 8;
  const int hw = area.width() / 2;
  const int hh = area.height() / 2;
  for (int q = 0; q < 4; ++q) {
    const QRect inner(area.left() + (q % 2) * hw + mx, area.top() + (q / 2) * hh + my, hw - 2 * mx, hh - 2 * my);
    const int xs[3] = {inner.left(), inner.center().x(), inner.right()};
    const int ys[3] = {inner.top(), inner.center().y(), inner.bottom()};
    for (int y : ys) {
      for (int x : xs) {
        if (!shot.rect().contains(x, y)) return ::testing::AssertionFailure() << "(" << x << ", " << y << ") outside";
        const QColor got = shot.pixelColor(x, y);
        if (!Near(got, colours[q], tolerance))
          return ::testing::AssertionFailure()
                 << "quadrant " << q << " at (" << x << ", " << y << ") is " << got.name().toStdString()
                 << ", expected " << colours[q].name().toStdString();
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ShowsColour(const QImage& shot, const QRect& rect, QColor colour, int tolerance) {
  if (shot.isNull()) return ::testing::AssertionFailure() << "no picture";
  if (rect.isEmpty()) return ::testing::AssertionSuccess();
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 4; ++j) {
      const int x = rect.left() + (rect.width() - 1) * i / 4;
      const int y = rect.top() + (rect.height() - 1) * j / 4;
      if (!shot.rect().contains(x, y)) return ::testing::AssertionFailure() << "(" << x << ", " << y << ") outside";
      const QColor got = shot.pixelColor(x, y);
      if (!Near(got, colour, tolerance))
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << got.name().toStdString()
                                             << ", expected " << colour.name().toStdString();
    }
  }
  return ::testing::AssertionSuccess();
}

TDSDisplayRig::TDSDisplayRig(int width, int height) : source(new TTestFrameSource(&form)), display(nullptr) {
  RegisterDisplayClasses();
  display = NewComponent<TVLDSImageDisplay>(&form);
  host.resize(width, height);
  display->SetParent(&host);
  display->SetAlign(alClient);
  display->SetColor(kBandColor);
  display->SetStretch(true);
  source->OutputPin()->Connect(display->InputPin());
  host.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&host, static_cast<int>(testtools::kHangGuard.count())));
}

TDSDisplayRig::~TDSDisplayRig() {
  delete display;
  // The renderer's window goes on the next turn of the event loop.
  QCoreApplication::sendPostedEvents();
}

TDSVideoRenderer* TDSDisplayRig::Renderer() {
  TIntf<IBaseFilter> filter = display->Graph()->GetVideoRender();
  return filter ? DSVideoRendererOf(filter.get()) : nullptr;
}

TDSVideoWindow* TDSDisplayRig::RendererWindow() {
  TDSVideoRenderer* renderer = Renderer();
  return renderer != nullptr ? renderer->Window() : nullptr;
}

bool TDSDisplayRig::SendAndShow(IVLImageBuffer* frame) {
  TDSVideoRenderer* renderer = Renderer();
  if (renderer == nullptr) return false;
  const uint64_t before = renderer->FrameCounts().received;
  source->Send(frame);
  if (renderer->FrameCounts().received != before + 1) return false;
  return WaitFor([&] { return renderer->FrameCounts().lastPresented >= before + 1; });
}

QRect TDSDisplayRig::Picture() {
  const TFrameLayout l = display->Layout();
  return QRect(l.imageLeft, l.imageTop, l.imageWidth, l.imageHeight);
}

namespace {

TDSClassCreator WorkingRenderer(const TGUID& classId) {
  return [classId](IUnknown* outer, HRESULT* result) -> IUnknown* {
    if (outer != nullptr) {
      *result = CLASS_E_NOAGGREGATION;
      return nullptr;
    }
    auto* renderer = new TDSVideoRenderer(classId);
    renderer->NonDelegatingAddRef();
    *result = S_OK;
    return renderer->GetNonDelegatingUnknown();
  };
}

IUnknown* Fail(IUnknown*, HRESULT* result) {
  *result = E_FAIL;
  return nullptr;
}

}  // namespace

TBrokenRenderers::TBrokenRenderers(bool failMixerOnly) {
  RegisterDisplayClasses();
  if (!failMixerOnly) DSRegisterClass(CLSID_VideoRenderer, Fail);
  DSRegisterClass(CLSID_VideoMixingRenderer9, Fail);
}

TBrokenRenderers::~TBrokenRenderers() {
  DSRegisterClass(CLSID_VideoRenderer, WorkingRenderer(CLSID_VideoRenderer));
  DSRegisterClass(CLSID_VideoMixingRenderer9, WorkingRenderer(CLSID_VideoMixingRenderer9));
}

}  // namespace lumicar::test
