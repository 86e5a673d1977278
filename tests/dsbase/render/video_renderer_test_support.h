#pragma once
// What the video renderer tests share: frames of four coloured quadrants in
// each layout the renderer draws, a push source that delivers given bytes in
// one given type, a graph in which the capture graph builder picked the
// renderer, and waiting on the event loop for a condition.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <functional>
#include <vector>

#include "dsbase/base/source_filter.h"
#include "dsbase/filters/frame_conversion.h"
#include "dsbase/graph/builder_interfaces.h"
#include "dsbase/graph/filter_graph_manager.h"
#include "dsbase/render/video_renderer.h"
#include "dsbase/render/video_window.h"
#include "testing/event_pump.h"

namespace lumicar::rendertest {

// Top left, top right, bottom left, bottom right.
extern const QColor kQuadrants[4];

// A video type with a VIDEOINFOHEADER for `format` (RGB top-down with a
// negative height when `bottomUp` is false).
TDSMediaType FrameType(TVLVideoFormat format, int width, int height, bool bottomUp = true);
TDSFrameFormat FormatOf(const TDSMediaType& type);
// The quadrant picture as one frame of `format`, made by the frame kernels.
std::vector<uint8_t> QuadrantFrame(const TDSFrameFormat& format);
// A frame of one colour.
std::vector<uint8_t> SolidFrame(const TDSFrameFormat& format, QColor colour);
// The frame as the kernels turn it into a top-down picture: what the window
// shows at the frame's own size.
QImage KernelPicture(const std::vector<uint8_t>& frame, const TDSFrameFormat& format);

// A source whose one pin offers exactly `type` and delivers given bytes from
// an allocator of `buffers` samples (four, as the display's source has, lets
// the renderer keep samples; one makes it copy them).
class TFrameSource : public TDSBaseSourceFilter {
 public:
  explicit TFrameSource(const TDSMediaType& type, int buffers = 4);
  // Delivers one sample holding `bytes` (all of them, or `length` of them).
  // Never waits for a sample: VFW_E_TIMEOUT when the renderer kept them all.
  HRESULT Send(const std::vector<uint8_t>& bytes, int32_t length = -1);
  TDSSourceStreamPin* Pin() const { return pin_; }

 private:
  TDSSourceStreamPin* pin_;  // owned by the pin list
};

// A running graph: the frame source rendered by the capture graph builder
// without a renderer of its own, so that the graph adds the default one.
struct TRendererRig {
  explicit TRendererRig(const TDSMediaType& type, bool run = true, int buffers = 4);
  ~TRendererRig();

  TIntf<TDSFilterGraph> graph;
  TIntf<TFrameSource> source;
  TIntf<IBaseFilter> rendererFilter;  // nullptr when rendering failed
  TDSVideoRenderer* renderer = nullptr;
  TIntf<IVideoWindow> window;  // the graph's
  HRESULT rendered = E_FAIL;
};

// Processes events until `done` holds; false after `ms` without it.
// Every event the graph has queued, oldest first.
std::vector<int32_t> TakeEvents(TDSFilterGraph* graph);
bool WaitUntil(const std::function<bool()>& done, int ms = static_cast<int>(testtools::kHangGuard.count()));
// Every channel within `tolerance`.
bool Near(QColor colour, QColor expected, int tolerance);
// The colour at the centre of each quadrant of `area` in `picture`, each
// within `tolerance` of the expected one; the text says what differed.
::testing::AssertionResult ShowsQuadrants(const QImage& picture, const QRect& area, const QColor expected[4],
                                          int tolerance);
// The window's contents on the screen, as the window system has them.
QImage ScreenShot(QWidget* window);
// Keeps the OpenGL driver loaded until the process ends. The driver keeps
// caches in its own globals and is unloaded when the display closes at exit;
// LeakSanitizer would then count those caches as leaked by the program.
void KeepOpenGLDriverLoaded();

}  // namespace lumicar::rendertest
