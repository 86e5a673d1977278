#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextStream>
#include <algorithm>
#include <cstring>
#include <utility>

#include "app/main_form.h"
#include "app/viewer_classes.h"
#include "app/viewer_settings.h"
#include "capture/ds_capture.h"
#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/devices/cap_device_list.h"
#include "lumicar_version.h"
#include "ui/application.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcCommandLine, "lumicar.app.command-line")

namespace {

const QString kDeviceOption = QStringLiteral("device");

// Qt's own start-up options, which the application object takes from the
// arguments: accepted here so that they reach it (hidden from the help).
const char* const kQtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "display",  "geometry",           "style",         "stylesheet", "session"};
const char* const kQtFlagOptions[] = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

// The parser with every option the viewer knows.
struct TViewerParser {
  QCommandLineParser parser;
  QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                          QStringLiteral("Show this help and exit.")};
  QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                             QStringLiteral("Print the program's version and exit.")};
  QCommandLineOption listDevices{
      QStringLiteral("list-devices"),
      QStringLiteral("List the cameras with their formats, sizes and frame rates, and exit.")};
  QCommandLineOption device{kDeviceOption,
                            QStringLiteral("Show the camera named by its shown name, its stable identity or its "
                                           "node (/dev/videoN), as --list-devices lists them."),
                            QStringLiteral("camera")};
  QCommandLineOption fullScreen{QStringLiteral("full-screen"), QStringLiteral("Start in the full-screen view.")};
  QCommandLineOption flip{QStringLiteral("flip"), QStringLiteral("Start with the picture turned by 180 degrees.")};
  QCommandLineOption resetSettings{QStringLiteral("reset-settings"),
                                   QStringLiteral("Forget the remembered settings before the window opens.")};

  TViewerParser() {
    // Qt's options are single words after one dash ("-platform xcb").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Lumicar shows a USB camera's live picture as a document camera. Without a camera it "
                       "shows a moving test pattern."));
    parser.addOptions({help, version, listDevices, device, fullScreen, flip, resetSettings});
    for (const char* name : kQtValueOptions) {
      QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
      qt.setFlags(QCommandLineOption::HiddenFromHelp);
      parser.addOption(qt);
    }
    for (const char* name : kQtFlagOptions) {
      QCommandLineOption qt(QString::fromLatin1(name));
      qt.setFlags(QCommandLineOption::HiddenFromHelp);
      parser.addOption(qt);
    }
  }
};

// "30", "7.5": frames a second without trailing zeros.
QString RateText(double fps) { return QString::number(fps, 'g', 4); }

QString RatesText(const TDSCameraSource& source) {
  QStringList rates;
  for (const TDSFraction& f : source.discrete) {
    if (f.numerator == 0 || f.denominator == 0) continue;
    rates.append(RateText(double(f.denominator) / double(f.numerator)));
  }
  if (!rates.isEmpty()) return rates.join(QStringLiteral(", ")) + QStringLiteral(" fps");
  if (source.minInterval > 0 && source.maxInterval >= source.minInterval) {
    return RateText(1e7 / double(source.maxInterval)) + QStringLiteral(" to ") +
           RateText(1e7 / double(source.minInterval)) + QStringLiteral(" fps");
  }
  return QStringLiteral("rate not stated");
}

// The camera's formats as the camera delivers them: per native format its
// sizes (largest first) with their rates. A capability lists the same native
// format once for every output it can be made into; it is named once here.
QStringList FormatLines(const std::vector<TDSCameraCapability>& caps) {
  struct TSize {
    int width, height;
    QString rates;
  };
  std::vector<std::pair<uint32_t, std::vector<TSize>>> formats;
  for (const TDSCameraCapability& cap : caps) {
    for (const TDSCameraSource& source : cap.sources) {
      auto format =
          std::find_if(formats.begin(), formats.end(), [&](const auto& f) { return f.first == source.fourcc; });
      if (format == formats.end()) format = formats.insert(formats.end(), {source.fourcc, {}});
      std::vector<TSize>& sizes = format->second;
      const bool known = std::any_of(sizes.begin(), sizes.end(),
                                     [&](const TSize& s) { return s.width == cap.width && s.height == cap.height; });
      if (!known) sizes.push_back({cap.width, cap.height, RatesText(source)});
    }
  }
  QStringList lines;
  for (auto& [fourcc, sizes] : formats) {
    std::stable_sort(sizes.begin(), sizes.end(), [](const TSize& a, const TSize& b) {
      return int64_t(a.width) * a.height > int64_t(b.width) * b.height;
    });
    lines.append(QStringLiteral("    %1").arg(DSFourccText(fourcc)));
    for (const TSize& s : sizes) {
      lines.append(QStringLiteral("      %1 x %2: %3").arg(s.width).arg(s.height).arg(s.rates));
    }
  }
  return lines;
}

QString ResultText(HRESULT hr) {
  const uint32_t code = uint32_t(hr);
  QString text = QStringLiteral("error 0x%1").arg(code, 8, 16, QLatin1Char('0'));
  // A system error number carried in the result (the node could not be
  // opened or asked).
  if ((code & 0xFFFF0000u) == 0x80070000u) {
    text += QStringLiteral(", %1").arg(QString::fromLocal8Bit(std::strerror(int(code & 0xFFFFu))));
  }
  return text;
}

// The formats lines of one listed camera, made by its own provider's filter
// and the camera layer's reading of the node.
QStringList DescribeFormats(const TMLDSCapDeviceInfo& device) {
  void* raw = nullptr;
  const HRESULT hr = device.Moniker()->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw);
  if (FAILED(hr) || !raw) {
    qCWarning(lcCommandLine).noquote() << "Listing the formats of" << device.UniqueName()
                                       << "failed:" << ResultText(hr);
    return {QStringLiteral("    (cannot be opened now: %1)").arg(ResultText(hr))};
  }
  TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
  const auto* capture = dynamic_cast<const TDSV4L2CaptureFilter*>(filter.get());
  if (!capture) return {QStringLiteral("    (formats not known: not a camera filter)")};
  if (capture->Capabilities().empty()) return {QStringLiteral("    (no format the viewer can show)")};
  return FormatLines(capture->Capabilities());
}

QString NodeOf(IMoniker* moniker) {
  void* raw = nullptr;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &raw)) || !raw) return {};
  TIntf<IPropertyBag> bag = TIntf<IPropertyBag>::Adopt(static_cast<IPropertyBag*>(raw));
  QString node;
  if (FAILED(bag->Read(u"DevicePath", &node))) return {};
  return node;
}

// The part of an identity after the category: what the camera's own
// provider calls it ("usb-Maker_Model_Serial-video-index0").
QString ShortIdentity(const QString& identity) {
  const qsizetype slash = identity.lastIndexOf(QLatin1Char('\\'));
  return slash < 0 ? QString() : identity.mid(slash + 1);
}

std::vector<TViewerCamera> CamerasOf(const TVLDSCapDeviceList& list) {
  std::vector<TViewerCamera> cameras;
  for (int i = 0; i < list.Count(); ++i) {
    const TMLDSCapDeviceInfo* device = list.Items(i);
    cameras.push_back({device->UniqueName(), device->DriverName(), NodeOf(device->Moniker())});
  }
  return cameras;
}

}  // namespace

TParsedCommandLine ParseViewerCommandLine(const QStringList& arguments) {
  TViewerParser p;
  TParsedCommandLine result;
  if (!p.parser.parse(arguments)) {
    result.error = p.parser.errorText();
    return result;
  }
  if (const QStringList extra = p.parser.positionalArguments(); !extra.isEmpty()) {
    result.error = QStringLiteral("Unexpected argument '%1' (see --help).").arg(extra.front());
    return result;
  }
  TViewerOptions& o = result.options;
  o.help = p.parser.isSet(p.help);
  o.version = p.parser.isSet(p.version);
  o.listDevices = p.parser.isSet(p.listDevices);
  o.fullScreen = p.parser.isSet(p.fullScreen);
  o.flip = p.parser.isSet(p.flip);
  o.resetSettings = p.parser.isSet(p.resetSettings);
  if (p.parser.isSet(p.device)) {
    // Given twice, the last one counts, as for Qt's own options.
    o.device = p.parser.values(p.device).constLast().trimmed();
    if (o.device.isEmpty()) result.error = QStringLiteral("--device needs a camera's name, identity or node.");
  }
  return result;
}

QString ViewerHelpText() {
  TViewerParser p;
  // The usage line names the program as it is installed, wherever it runs.
  QString text = p.parser.helpText();
  const qsizetype end = text.indexOf(QLatin1Char('\n'));
  return QStringLiteral("Usage: lumicar [options]") + (end < 0 ? QString() : text.mid(end));
}

QString ViewerVersion() { return QStringLiteral(LUMICAR_VERSION); }

QString ViewerVersionText() { return QStringLiteral("lumicar ") + ViewerVersion(); }

std::vector<TViewerCamera> ListViewerCameras() {
  // The device enumerator and the camera providers.
  RegisterViewerClasses();
  TVLDSCapDeviceList list;
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  return CamerasOf(list);
}

std::optional<TViewerCamera> FindViewerCamera(const std::vector<TViewerCamera>& cameras, const QString& given) {
  if (given.isEmpty()) return std::nullopt;
  for (const TViewerCamera& c : cameras)
    if (c.shownName == given) return c;
  for (const TViewerCamera& c : cameras)
    if (c.identity == given || (!ShortIdentity(c.identity).isEmpty() && ShortIdentity(c.identity) == given)) return c;
  for (const TViewerCamera& c : cameras)
    if (!c.node.isEmpty() && c.node == given) return c;
  // A link to a node (/dev/v4l/by-id/..., /dev/v4l/by-path/...) names the
  // node it points at.
  const QString target = QFileInfo(given).canonicalFilePath();
  if (target.isEmpty()) return std::nullopt;
  for (const TViewerCamera& c : cameras)
    if (!c.node.isEmpty() && QFileInfo(c.node).canonicalFilePath() == target) return c;
  return std::nullopt;
}

int ListViewerDevices(QTextStream& out, QTextStream& err) {
  RegisterViewerClasses();
  TVLDSCapDeviceList list;
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  if (list.Count() == 0) {
    err << "lumicar: no camera is listed, not even the test pattern." << Qt::endl;
    return 1;
  }
  const std::vector<TViewerCamera> cameras = CamerasOf(list);
  for (int i = 0; i < list.Count(); ++i) {
    const TViewerCamera& c = cameras[size_t(i)];
    if (i > 0) out << '\n';
    out << c.shownName << '\n';
    out << "  identity: " << c.identity << '\n';
    out << "  node:     " << (c.node.isEmpty() ? QStringLiteral("(none)") : c.node) << '\n';
    out << "  formats:\n";
    for (const QString& line : DescribeFormats(*list.Items(i))) out << line << '\n';
  }
  out.flush();
  return 0;
}

void ResetViewerSettings() { TViewerSettingsStore(TViewerSettingsStore::DefaultPath()).Reset(); }

void ApplyViewerOptions(TForm1& form, const TViewerOptions& options, const std::optional<TViewerCamera>& camera) {
  // The remembered camera may be the one asked for already.
  if (camera && form.VLDSCapture1 && form.VLDSCapture1->VideoCaptureDevice()->GetVC_DriverName() != camera->identity) {
    // The change of camera closes the graph that the remembered choice
    // opened; the restart opens the camera asked for, as the menu's command.
    RunHandled([&] { form.ChooseCamera(camera->shownName); });
    if (form.VLDSCapture1->VideoCaptureDevice()->GetVC_DriverName() != camera->identity)
      qCWarning(lcCommandLine).noquote() << "The camera" << camera->shownName << "went before it could be chosen";
  }
  // The window may come up turned or full screen already, as it was left:
  // the options ask for a state, so the commands run only to reach it.
  if (options.flip && !form.VLMirror1->IsEnabled()) RunHandled([&] { form.hantenClick(&form); });
  if (options.fullScreen && !form.IsFullScreenView()) RunHandled([&] { form.N11Click(&form); });
}

int RunPrintingCommand(int& argc, char** argv, const TViewerOptions& options) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("lumicar"));
  QCoreApplication::setApplicationVersion(ViewerVersion());
  QTextStream out(stdout);
  QTextStream err(stderr);
  if (options.help) {
    out << ViewerHelpText();
    out.flush();
    return 0;
  }
  if (options.version) {
    out << ViewerVersionText() << Qt::endl;
    return 0;
  }
  return ListViewerDevices(out, err);
}

}  // namespace lumicar
