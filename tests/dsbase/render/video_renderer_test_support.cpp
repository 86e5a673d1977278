#include "tests/dsbase/render/video_renderer_test_support.h"

#include <dlfcn.h>
#include <link.h>

#include <QApplication>
#include <QScreen>
#include <QThread>
#include <cstring>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "testing/event_pump.h"

namespace lumicar::rendertest {

const QColor kQuadrants[4] = {QColor(220, 30, 30), QColor(30, 200, 40), QColor(40, 50, 210), QColor(240, 240, 240)};

TDSMediaType FrameType(TVLVideoFormat format, int width, int height, bool bottomUp) {
  const int bits = VLBitsPerPixel(format);
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = VLGetGUIDFromFormat(format);
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = true;
  mt.lSampleSize = DSBitmapImageSize(width, height, bits);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(mt, sizeof(VIDEOINFOHEADER)));
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = bottomUp ? height : -height;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = uint16_t(bits);
  vih->bmiHeader.biSizeImage = mt.lSampleSize;
  return t;
}

TDSFrameFormat FormatOf(const TDSMediaType& type) {
  TDSFrameFormat f;
  EXPECT_TRUE(DSDescribeFrame(type.Get(), &f));
  return f;
}

namespace {

// A top-down RGB24 picture (blue, green, red) of the format's size, filled
// by `colour(x, y)`.
template <typename Colour>
std::vector<uint8_t> ConvertedPicture(const TDSFrameFormat& format, Colour&& colour) {
  const TDSFrameFormat bgr{vfRGB24, format.width, format.height, false, (format.width * 3 + 3) / 4 * 4, nullptr};
  std::vector<uint8_t> picture(size_t(DSFrameBytes(bgr)));
  for (int y = 0; y < bgr.height; ++y) {
    for (int x = 0; x < bgr.width; ++x) {
      const QColor c = colour(x, y);
      uint8_t* p = picture.data() + ptrdiff_t(y) * bgr.stride + 3 * x;
      p[0] = uint8_t(c.blue());
      p[1] = uint8_t(c.green());
      p[2] = uint8_t(c.red());
    }
  }
  std::vector<uint8_t> frame(size_t(DSFrameBytes(format)));
  TDSFrameConverter().Convert(picture.data(), bgr, frame.data(), format);
  return frame;
}

}  // namespace

std::vector<uint8_t> QuadrantFrame(const TDSFrameFormat& format) {
  return ConvertedPicture(format, [&](int x, int y) {
    return kQuadrants[(y >= format.height / 2 ? 2 : 0) + (x >= format.width / 2 ? 1 : 0)];
  });
}

std::vector<uint8_t> SolidFrame(const TDSFrameFormat& format, QColor colour) {
  return ConvertedPicture(format, [&](int, int) { return colour; });
}

QImage KernelPicture(const std::vector<uint8_t>& frame, const TDSFrameFormat& format) {
  QImage picture(format.width, format.height, QImage::Format_RGB32);
  const TDSFrameFormat to{vfRGBA32, format.width, format.height, false, int(picture.bytesPerLine()), nullptr};
  TDSFrameConverter().Convert(frame.data(), format, picture.bits(), to);
  return picture;
}

// ---- frame source ----

namespace {

class TFramePin : public TDSSourceStreamPin {
 public:
  TFramePin(TDSBaseSourceFilter* filter, const TDSMediaType& type, int buffers)
      : TDSSourceStreamPin(QStringLiteral("Frame pin"), filter, u"Output"_qs), type_(type), buffers_(buffers) {}

  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES want = *request;
    want.cBuffers = buffers_;
    want.cbBuffer = std::max<int32_t>(want.cbBuffer, int32_t(type_->lSampleSize));
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(&want, &actual);
  }
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, type_.Get());
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    if (!mt) return E_POINTER;
    return DSIsEqualMediaType(*mt, type_.Get()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }

 private:
  TDSMediaType type_;
  int buffers_;
};

}  // namespace

TFrameSource::TFrameSource(const TDSMediaType& type, int buffers)
    : TDSBaseSourceFilter(QStringLiteral("Frame source"), nullptr, GUID_NULL),
      pin_(new TFramePin(this, type, buffers)) {}

HRESULT TFrameSource::Send(const std::vector<uint8_t>& bytes, int32_t length) {
  IMediaSample* raw = nullptr;
  const HRESULT hr = pin_->GetDeliveryBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  const int32_t n = length >= 0 ? length : int32_t(bytes.size());
  if (n > sample->GetSize() || size_t(n) > bytes.size()) return E_INVALIDARG;
  std::memcpy(data, bytes.data(), size_t(n));
  sample->SetActualDataLength(n);
  return pin_->Deliver(sample.get());
}

// ---- rig ----

TRendererRig::TRendererRig(const TDSMediaType& type, bool run, int buffers) {
  graph = TIntf<TDSFilterGraph>(new TDSFilterGraph);
  source = TIntf<TFrameSource>(new TFrameSource(type, buffers));
  EXPECT_EQ(graph->AddFilter(source.get(), u"Frame source"), S_OK);
  void* raw = nullptr;
  EXPECT_EQ(
      CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2, &raw),
      S_OK);
  TIntf<ICaptureGraphBuilder2> builder = TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
  if (!builder) return;
  builder->SetFiltergraph(graph.get());
  rendered =
      builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.get()), nullptr, nullptr);
  IBaseFilter* found = nullptr;
  if (SUCCEEDED(graph->FindFilterByName(u"Video Renderer", &found)) && found)
    rendererFilter = TIntf<IBaseFilter>::Adopt(found);
  renderer = DSVideoRendererOf(rendererFilter.get());
  window = QueryIntf<IVideoWindow>(static_cast<IFilterGraph*>(graph.get()), IID_IVideoWindow);
  if (run && SUCCEEDED(rendered)) {
    EXPECT_EQ(graph->Run(), S_OK);
  }
}

TRendererRig::~TRendererRig() {
  if (graph) graph->Stop();
}

// ---- waiting and pictures ----

std::vector<int32_t> TakeEvents(TDSFilterGraph* graph) {
  std::vector<int32_t> codes;
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  while (SUCCEEDED(graph->GetEvent(&code, &p1, &p2, 0))) codes.push_back(code);
  return codes;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  return testtools::PumpUntil(done, std::chrono::milliseconds(ms));
}

bool Near(QColor colour, QColor expected, int tolerance) {
  return std::abs(colour.red() - expected.red()) <= tolerance &&
         std::abs(colour.green() - expected.green()) <= tolerance &&
         std::abs(colour.blue() - expected.blue()) <= tolerance;
}

::testing::AssertionResult ShowsQuadrants(const QImage& picture, const QRect& area, const QColor expected[4],
                                          int tolerance) {
  if (picture.isNull()) return ::testing::AssertionFailure() << "no picture";
  const int qx[2] = {area.left() + area.width() / 4, area.left() + area.width() * 3 / 4};
  const int qy[2] = {area.top() + area.height() / 4, area.top() + area.height() * 3 / 4};
  for (int i = 0; i < 4; ++i) {
    const QPoint at(qx[i % 2], qy[i / 2]);
    if (!picture.rect().contains(at)) return ::testing::AssertionFailure() << "quadrant " << i << " outside";
    const QColor got = picture.pixelColor(at);
    if (!Near(got, expected[i], tolerance))
      return ::testing::AssertionFailure()
             << "quadrant " << i << " at (" << at.x() << ", " << at.y() << ") is " << got.name().toStdString()
             << ", expected " << expected[i].name().toStdString();
  }
  return ::testing::AssertionSuccess();
}

QImage ScreenShot(QWidget* window) {
  QScreen* screen = window->screen();
  if (!screen) return {};
  return screen->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

void KeepOpenGLDriverLoaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) {
        const char* name = info->dlpi_name;
        if (name && std::strstr(name, "_dri.so")) {
          // Only marks the library already loaded as never to be unloaded.
          if (void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
        }
        return 0;
      },
      nullptr);
}

}  // namespace lumicar::rendertest
