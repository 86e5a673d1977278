#pragma once
// A TVLDSImageDisplay inside a shown window, fed through its input pin by a
// producer, with what the tests of its graph share: the renderer behind the
// display, waiting on the event loop, screenshots, colour comparison, and
// renderer classes that fail to be made.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "display/control/ds_image_display.h"
#include "dsbase/render/video_renderer.h"
#include "dsbase/render/video_window.h"
#include "testing/event_pump.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {

// Processes events until done holds; false after ms without it.
bool WaitFor(const std::function<bool()>& done, int ms = static_cast<int>(testtools::kHangGuard.count()));
// Every channel within tolerance.
bool Near(QColor colour, QColor expected, int tolerance);
// The window's contents as the window system has them (the renderer's
// window drawn in, whichever path it draws with).
QImage ScreenShot(QWidget* window);
// The whole screen the window is on.
QImage ScreenShotOfScreen(QWidget* window);

// The colours of a quadrant picture (top left, top right, bottom left,
// bottom right) after the kernels took it through format and back to RGB:
// what a stream of that format shows.
std::array<QColor, 4> KernelQuadrantColours(TVLVideoFormat format);

// Each quadrant of area shows its colour well inside (a margin of an eighth
// of the area keeps scaling and 4:2:2 chroma out of the comparison).
::testing::AssertionResult ShowsQuadrants(const QImage& shot, const QRect& area, int tolerance,
                                          const std::array<QColor, 4>& colours = KernelQuadrantColours(vfRGB24));
// Every sampled pixel of rect (a grid, its edges included) is colour.
::testing::AssertionResult ShowsColour(const QImage& shot, const QRect& rect, QColor colour, int tolerance);

struct TDSDisplayRig {
  static constexpr TColor kBandColor = TColor(0x336699);  // 0x00BBGGRR
  static inline const QColor kBand = QColor(0x99, 0x66, 0x33);

  // A host window of the given client size with the display filling it
  // (aligned to the client area), stretched and proportional.
  TDSDisplayRig(int width, int height);
  ~TDSDisplayRig();

  // The renderer of the display's graph and its window, or nullptr.
  TDSVideoRenderer* Renderer();
  TDSVideoWindow* RendererWindow();
  // Sends a frame through the pin and waits until the renderer presented it.
  bool SendAndShow(IVLImageBuffer* frame);
  // The picture rectangle of the layout, in the display's coordinates.
  QRect Picture();

  QWidget host;
  TComponent form;
  TTestFrameSource* source;
  TVLDSImageDisplay* display;
};

// Replaces the makers of both renderer classes with ones that fail (or, with
// failMixerOnly, only the mixing renderer's), and puts the working ones back
// when it goes.
class TBrokenRenderers {
 public:
  explicit TBrokenRenderers(bool failMixerOnly = false);
  ~TBrokenRenderers();
};

}  // namespace lumicar::test
