#pragma once
// Splits the text of a form design into tokens with their line and column, so that
// the reader can look ahead freely and every error can name its place.

#include <QByteArray>
#include <QString>
#include <vector>

namespace lumicar {

struct TFormToken {
  enum Kind {
    End,      // after the last token
    Ident,    // Name, dotted.Name
    Integer,  // 12, -3, $FF: negative + magnitude, overflow when beyond 64 bits
    Float,    // 1.5, 2E10, -Inf
    String,   // 'a''b'#13#10 + 'c': the decoded text
    Binary,   // { 0A1B }: the bytes
    Symbol,   // = : ( ) [ ] < > ,
  };
  Kind kind = End;
  int line = 1;
  int column = 1;
  QString text;      // Ident: the name; String: the text; Symbol: the character
  QByteArray bytes;  // Binary
  quint64 magnitude = 0;
  bool negative = false;
  bool overflow = false;  // Integer: does not fit 64 bits unsigned
  double number = 0;      // Float

  bool Is(char symbol) const { return kind == Symbol && text.size() == 1 && text[0] == QLatin1Char(symbol); }
  // Keywords (object, end, item, true...) are matched without regard to case.
  bool IsWord(const char* word) const {
    return kind == Ident && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
  }
  // "Line L, column C: "
  QString Where() const;
  // How the token looks in a message: 'end', string, number, end of design...
  QString Describe() const;
};

// Tokenises a whole design. Raises EReadError "Line L, column C: <what>" for
// unterminated strings or binary values, bad numbers, invalid UTF-8 in strings,
// unexpected characters and designs larger than kMaxDesignSize.
std::vector<TFormToken> TokenizeFormDesign(const QByteArray& text);

inline constexpr qsizetype kMaxDesignSize = 64 * 1024 * 1024;

}  // namespace lumicar
