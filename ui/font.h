#pragma once
// TFont: the font of a window or control as a design stores it (face name,
// character set, height in pixels, colour, style), and the choice of an
// installed face for it: the Japanese faces the designs name are mapped to a
// Japanese Gothic face that Linux desktops have.

#include <QFlags>
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "components/lp_value_types.h"
#include "runtime/persistent.h"
#include "ui/color.h"

// In a namespace of its own so that designs store the values by name ("[fsBold]").
namespace lumicar::font_style {
Q_NAMESPACE

enum TFontStyle { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

}  // namespace lumicar::font_style

Q_DECLARE_OPERATORS_FOR_FLAGS(lumicar::font_style::TFontStyles)

namespace lumicar {

using font_style::TFontStyle;
using font_style::TFontStyles;
using enum font_style::TFontStyle;

// The character set a design names with its font ("SHIFTJIS_CHARSET"). Qt picks
// glyphs by Unicode, so it only steers the choice of face.
enum TFontCharset : int32_t {};
inline constexpr TFontCharset ANSI_CHARSET = TFontCharset(0);
inline constexpr TFontCharset DEFAULT_CHARSET = TFontCharset(1);
inline constexpr TFontCharset SYMBOL_CHARSET = TFontCharset(2);
inline constexpr TFontCharset SHIFTJIS_CHARSET = TFontCharset(128);

// The pixel density designs are measured in: Height = -Size * 96 / 72.
inline constexpr int kDesignPixelsPerInch = 96;

class TFont : public TPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TFontCharset Charset READ Charset WRITE SetCharset)
  Q_PROPERTY(lumicar::TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(QString Name READ Name WRITE SetName)
  Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
  Q_PROPERTY(lumicar::font_style::TFontStyles Style READ Style WRITE SetStyle)
  Q_CLASSINFO("Default.Charset", "DEFAULT_CHARSET")
  Q_CLASSINFO("Default.Color", "clWindowText")
  Q_CLASSINFO("Default.Height", "0")
  Q_CLASSINFO("Default.Style", "[]")

 public:
  Q_INVOKABLE explicit TFont(QObject* parent = nullptr);

  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  // Negative: the height of the characters in pixels; positive: of the whole
  // line; 0: the desktop's own size.
  int Height() const { return height_; }
  void SetHeight(int value);
  // Empty: the desktop's own face.
  QString Name() const { return name_; }
  void SetName(const QString& value);
  // Points at the design's pixel density.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles value);

  // Copies another TFont; the inherited Assign otherwise.
  void Assign(TPersistent* source) override;

  // The Qt font: an installed face for Name (MapFontFamily) at the pixel height.
  QFont ToQFont() const;

  // Called after every change.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 private:
  void Changed();

  TFontCharset charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int height_ = 0;
  QString name_;
  TFontStyles style_;
  std::function<void()> onChange_;
};

// The installed face to use for a face name of a design. Names of the
// Japanese Gothic faces of other systems (and any name with the Shift-JIS
// character set whose face is missing) become the first installed of the
// faces Debian packages for Japanese: the proportional IPA Gothic for
// proportional names, the fixed-pitch one otherwise, then Noto Sans CJK JP.
// A face that is installed is kept; an unknown one is left to Qt's fallback.
QString MapFontFamily(const QString& name, TFontCharset charset = DEFAULT_CHARSET);
// The same decision over a given list of installed faces (for tests).
QString MapFontFamily(const QString& name, TFontCharset charset, const QStringList& installed);

// Makes the character-set names known to form designs. Safe to call more than once.
void RegisterFontIdents();

}  // namespace lumicar
