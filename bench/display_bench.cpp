// What a display costs outside painting: laying the picture out again on a
// resize, and handing one frame over on the sender's thread. The hand-over
// only swaps a reference, so it must not grow with the frame's size.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "buffers/image_buffer.h"
#include "display/control/frame_layout.h"
#include "display/control/painter_display.h"
#include "imagepins/frame_operations.h"

namespace lumicar {
namespace {

void BM_FrameLayoutPerResize(benchmark::State& state) {
  TFrameLayoutInput in;
  in.hasFrameSize = true;
  in.frameWidth = 1600;
  in.frameHeight = 1200;
  in.stretch = true;
  int i = 0;
  for (auto _ : state) {
    // A window being dragged larger: a new client size each time.
    in.clientWidth = 640 + (i & 511);
    in.clientHeight = 480 + ((i * 7) & 255);
    const TDisplaySize display = AspectCorrectedSize(arAuto, in.frameWidth, in.frameHeight, 1600, 1200);
    in.displayWidth = display.width;
    in.displayHeight = display.height;
    benchmark::DoNotOptimize(CalcFrameLayout(in));
    ++i;
  }
}
BENCHMARK(BM_FrameLayoutPerResize);

// Through the display's input pin, as the notify thread delivers a frame. No
// event loop runs, so after the first frame no repaint is posted any more:
// what is measured is the pin, the lock and the reference swap.
void BM_PainterDisplayHandOver(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench_display";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  const int width = static_cast<int>(state.range(0));
  const int height = width * 3 / 4;
  TComponent form;
  TOWPinPtr<TVLOWImageSourcePin> output(new TVLOWImageSourcePin(&form));
  auto* display = NewComponent<TVLPainterDisplay>(&form);
  output->Connect(display->InputPin());
  output->Notify(MakeIntf<TOWStartFrameOperation>(width, height, 333333, vfRGB24, 0, width, height));
  auto frame = MakeIntf<TVLImageBuffer>(width, height, vfRGB24);
  frame->Write();
  for (auto _ : state) {
    if (!output->SubmitBuffer(frame.get())) state.SkipWithError("frame lost");
  }
  state.counters["pixels"] = double(width) * height;
  output.reset();
  delete display;
}
BENCHMARK(BM_PainterDisplayHandOver)->Arg(64)->Arg(640)->Arg(1920)->Arg(4096);

}  // namespace
}  // namespace lumicar
