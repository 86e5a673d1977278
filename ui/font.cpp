#include "ui/font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMetaType>
#include <cmath>
#include <mutex>

#include "runtime/properties.h"

namespace lumicar {

namespace {

struct TJapaneseFace {
  const char* name;  // UTF-8
  bool proportional;
};

// Japanese Gothic faces of other systems that designs name, with whether
// their letters have proportional widths.
constexpr TJapaneseFace kJapaneseFaces[] = {
    {"ＭＳ Ｐゴシック", true},
    {"MS PGothic", true},
    {"ＭＳ ゴシック", false},
    {"MS Gothic", false},
    {"MS UI Gothic", true},
    {"メイリオ", true},
    {"Meiryo", true},
    {"Meiryo UI", true},
    {"游ゴシック", true},
    {"Yu Gothic", true},
    {"Yu Gothic UI", true},
    {"ヒラギノ角ゴ Pro W3", true},
    {"Hiragino Kaku Gothic Pro", true},
    {"Osaka", true},
};

// The faces Debian's Japanese font packages install, best first.
const QStringList kProportionalFaces = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")};
const QStringList kFixedFaces = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                                 QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic")};

bool Contains(const QStringList& installed, const QString& face) {
  return installed.contains(face, Qt::CaseInsensitive);
}

}  // namespace

TFont::TFont(QObject* parent) : TPersistent(parent) { RegisterFontIdents(); }

void TFont::SetCharset(TFontCharset value) {
  if (charset_ == value) return;
  charset_ = value;
  Changed();
}

void TFont::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  Changed();
}

void TFont::SetHeight(int value) {
  if (height_ == value) return;
  height_ = value;
  Changed();
}

void TFont::SetName(const QString& value) {
  if (name_ == value) return;
  name_ = value;
  Changed();
}

int TFont::Size() const {
  // Rounded like the height it came from: -12 pixels are 9 points at 96 dpi.
  return static_cast<int>(std::lround(-height_ * 72.0 / kDesignPixelsPerInch));
}

void TFont::SetSize(int points) {
  SetHeight(-static_cast<int>(std::lround(points * double{kDesignPixelsPerInch} / 72.0)));
}

void TFont::SetStyle(TFontStyles value) {
  if (style_ == value) return;
  style_ = value;
  Changed();
}

void TFont::Assign(TPersistent* source) {
  auto* other = qobject_cast<TFont*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  charset_ = other->charset_;
  color_ = other->color_;
  height_ = other->height_;
  name_ = other->name_;
  style_ = other->style_;
  Changed();
}

void TFont::Changed() {
  if (onChange_) onChange_();
}

QFont TFont::ToQFont() const {
  QFont font;
  if (!name_.isEmpty()) font.setFamilies({MapFontFamily(name_, charset_)});
  if (height_ < 0) {
    font.setPixelSize(-height_);
  } else if (height_ > 0) {
    // A positive height is the whole line (ascent and descent); the pixel size
    // Qt takes is the character height, a little less.
    QFont probe = font;
    probe.setPixelSize(100);
    const QFontMetricsF metrics(probe);
    const double line = metrics.ascent() + metrics.descent();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(line > 0 ? height_ * 100.0 / line : height_))));
  }
  font.setBold(style_.testFlag(fsBold));
  font.setItalic(style_.testFlag(fsItalic));
  font.setUnderline(style_.testFlag(fsUnderline));
  font.setStrikeOut(style_.testFlag(fsStrikeOut));
  return font;
}

QString MapFontFamily(const QString& name, TFontCharset charset) {
  return MapFontFamily(name, charset, QFontDatabase::families());
}

QString MapFontFamily(const QString& name, TFontCharset charset, const QStringList& installed) {
  if (name.isEmpty() || Contains(installed, name)) return name;
  const TJapaneseFace* known = nullptr;
  for (const TJapaneseFace& face : kJapaneseFaces) {
    if (name.compare(QString::fromUtf8(face.name), Qt::CaseInsensitive) == 0) known = &face;
  }
  if (known == nullptr && charset != SHIFTJIS_CHARSET) return name;
  const bool proportional = known == nullptr || known->proportional;
  for (const QString& face : proportional ? kProportionalFaces : kFixedFaces) {
    if (Contains(installed, face)) return face;
  }
  return name;
}

void RegisterFontIdents() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterColorIdents();
    RegisterIntegerIdents(QMetaType::fromType<TFontCharset>(), {{"ANSI_CHARSET", ANSI_CHARSET},
                                                                {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                                                                {"SYMBOL_CHARSET", SYMBOL_CHARSET},
                                                                {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}});
  });
}

}  // namespace lumicar
