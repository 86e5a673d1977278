#include "ui/color.h"

#include <QMetaType>
#include <mutex>

#include "runtime/properties.h"

namespace lumicar {

QColor ColorToRGB(TColor color, const QPalette& palette) {
  switch (color) {
    case clWindow:
      return palette.color(QPalette::Base);
    case clBtnFace:
      return palette.color(QPalette::Window);
    case clWindowText:
      return palette.color(QPalette::WindowText);
    case clHighlight:
      return palette.color(QPalette::Highlight);
    default:
      break;
  }
  const int32_t value = static_cast<int32_t>(color);
  if (value < 0) return QColor(Qt::black);
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void RegisterColorIdents() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterIntegerIdents(QMetaType::fromType<TColor>(), {{"clWindow", clWindow},
                                                          {"clBtnFace", clBtnFace},
                                                          {"clWindowText", clWindowText},
                                                          {"clHighlight", clHighlight},
                                                          {"clBlack", clBlack},
                                                          {"clWhite", clWhite},
                                                          {"clRed", clRed},
                                                          {"clLime", clLime},
                                                          {"clBlue", clBlue}});
  });
}

}  // namespace lumicar
