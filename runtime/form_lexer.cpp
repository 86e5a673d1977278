#include "runtime/form_lexer.h"

#include <QStringDecoder>
#include <cmath>
#include <cstdlib>
#include <string>

#include "runtime/exception.h"

namespace lumicar {

QString TFormToken::Where() const { return QStringLiteral("Line %1, column %2: ").arg(line).arg(column); }

QString TFormToken::Describe() const {
  switch (kind) {
    case End:
      return QStringLiteral("the end of the design");
    case Ident:
      return QStringLiteral("'%1'").arg(text.left(64));
    case Integer:
    case Float:
      return QStringLiteral("a number");
    case String:
      return QStringLiteral("a string");
    case Binary:
      return QStringLiteral("binary data");
    case Symbol:
      return QStringLiteral("'%1'").arg(text);
  }
  return {};
}

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Lexer {
 public:
  explicit Lexer(const QByteArray& text) : s_(text.constData()), n_(text.size()) {}

  std::vector<TFormToken> Run() {
    std::vector<TFormToken> tokens;
    for (;;) {
      SkipSpace();
      TFormToken t;
      t.line = line_;
      t.column = column_;
      if (i_ >= n_) {
        tokens.push_back(t);
        return tokens;
      }
      const char c = s_[i_];
      if (IsIdentStart(c)) {
        LexIdent(t);
      } else if (IsDigit(c) || c == '$' || (c == '-' && i_ + 1 < n_ && (IsDigit(s_[i_ + 1]) || s_[i_ + 1] == '$'))) {
        LexNumber(t);
      } else if (c == '-' && Starts("-Inf") && !(i_ + 4 < n_ && IsIdentChar(s_[i_ + 4]))) {
        Advance(4);
        t.kind = TFormToken::Float;
        t.number = -HUGE_VAL;
      } else if (c == '\'' || c == '#') {
        LexString(t);
      } else if (c == '{') {
        LexBinary(t);
      } else if (c == '=' || c == ':' || c == '(' || c == ')' || c == '[' || c == ']' || c == '<' || c == '>' ||
                 c == ',') {
        t.kind = TFormToken::Symbol;
        t.text = QString(QLatin1Char(c));
        Advance(1);
      } else if (c == '+') {
        Fail(t, QStringLiteral("'+' must join two strings"));
      } else {
        const unsigned char u = static_cast<unsigned char>(c);
        Fail(t, u >= 32 && u < 127 ? QStringLiteral("unexpected character '%1'").arg(QLatin1Char(c))
                                   : QStringLiteral("unexpected character #%1").arg(u));
      }
      tokens.push_back(std::move(t));
    }
  }

 private:
  [[noreturn]] void Fail(const TFormToken& at, const QString& what) const { throw EReadError(at.Where() + what); }
  [[noreturn]] void FailHere(const QString& what) const {
    TFormToken t;
    t.line = line_;
    t.column = column_;
    Fail(t, what);
  }

  bool Starts(const char* word) const {
    const qsizetype len = static_cast<qsizetype>(std::char_traits<char>::length(word));
    return n_ - i_ >= len && std::char_traits<char>::compare(s_ + i_, word, static_cast<size_t>(len)) == 0;
  }

  void Advance(qsizetype count) {
    for (qsizetype k = 0; k < count && i_ < n_; ++k, ++i_) {
      const char c = s_[i_];
      if (c == '\n') {
        ++line_;
        column_ = 1;
      } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
        ++column_;  // columns count characters, not UTF-8 continuation bytes
      }
    }
  }

  void SkipSpace() {
    while (i_ < n_) {
      const char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        Advance(1);
      } else {
        break;
      }
    }
  }

  void LexIdent(TFormToken& t) {
    const qsizetype start = i_;
    for (;;) {
      while (i_ < n_ && IsIdentChar(s_[i_])) Advance(1);
      // A dot continues the identifier only when another part follows.
      if (i_ + 1 < n_ && s_[i_] == '.' && IsIdentStart(s_[i_ + 1])) {
        Advance(1);
        continue;
      }
      break;
    }
    if (i_ - start > kMaxIdent) Fail(t, QStringLiteral("identifier too long"));
    t.kind = TFormToken::Ident;
    t.text = QString::fromLatin1(s_ + start, i_ - start);
  }

  void LexNumber(TFormToken& t) {
    if (s_[i_] == '-') {
      t.negative = true;
      Advance(1);
    }
    if (i_ < n_ && s_[i_] == '$') {
      Advance(1);
      int digits = 0;
      while (i_ < n_ && HexValue(s_[i_]) >= 0) {
        if (t.magnitude > (~quint64{0} >> 4)) t.overflow = true;
        t.magnitude = (t.magnitude << 4) | static_cast<quint64>(HexValue(s_[i_]));
        ++digits;
        Advance(1);
      }
      if (digits == 0) Fail(t, QStringLiteral("hexadecimal digits expected after '$'"));
      if (i_ < n_ && IsIdentChar(s_[i_])) Fail(t, QStringLiteral("invalid number"));
      t.kind = TFormToken::Integer;
      return;
    }
    const qsizetype start = i_;
    bool is_float = false;
    while (i_ < n_ && IsDigit(s_[i_])) Advance(1);
    if (i_ + 1 < n_ && s_[i_] == '.' && IsDigit(s_[i_ + 1])) {
      is_float = true;
      Advance(1);
      while (i_ < n_ && IsDigit(s_[i_])) Advance(1);
    }
    if (i_ < n_ && (s_[i_] == 'e' || s_[i_] == 'E')) {
      qsizetype k = i_ + 1;
      if (k < n_ && (s_[k] == '+' || s_[k] == '-')) ++k;
      if (k < n_ && IsDigit(s_[k])) {
        is_float = true;
        Advance(k - i_);
        while (i_ < n_ && IsDigit(s_[i_])) Advance(1);
      }
    }
    if (i_ < n_ && (IsIdentChar(s_[i_]) || s_[i_] == '.')) Fail(t, QStringLiteral("invalid number"));
    if (i_ - start > kMaxNumber) Fail(t, QStringLiteral("number too long"));
    const std::string digits(s_ + start, static_cast<size_t>(i_ - start));
    if (is_float) {
      t.kind = TFormToken::Float;
      t.number = std::strtod(digits.c_str(), nullptr);  // overflow gives +-HUGE_VAL, acceptable for a float
      if (t.negative) t.number = -t.number;
      return;
    }
    t.kind = TFormToken::Integer;
    for (char d : digits) {
      const quint64 v = static_cast<quint64>(d - '0');
      if (t.magnitude > (~quint64{0} - v) / 10) t.overflow = true;
      t.magnitude = t.magnitude * 10 + v;
    }
  }

  // One string: quoted parts and #nnn character codes side by side, and further
  // strings joined by '+'.
  void LexString(TFormToken& t) {
    t.kind = TFormToken::String;
    for (;;) {
      if (i_ < n_ && s_[i_] == '\'') {
        TFormToken part;
        part.line = line_;
        part.column = column_;
        Advance(1);
        QByteArray utf8;
        for (;;) {
          if (i_ >= n_ || s_[i_] == '\n' || s_[i_] == '\r') Fail(part, QStringLiteral("unterminated string"));
          if (s_[i_] == '\'') {
            if (i_ + 1 < n_ && s_[i_ + 1] == '\'') {
              utf8.append('\'');
              Advance(2);
              continue;
            }
            Advance(1);
            break;
          }
          utf8.append(s_[i_]);
          Advance(1);
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder(utf8);
        if (decoder.hasError()) Fail(part, QStringLiteral("invalid UTF-8 in string"));
        t.text += decoded;
      } else if (i_ < n_ && s_[i_] == '#') {
        TFormToken part;
        part.line = line_;
        part.column = column_;
        Advance(1);
        quint32 code = 0;
        int digits = 0;
        const bool hex = i_ < n_ && s_[i_] == '$';
        if (hex) Advance(1);
        while (i_ < n_ && (hex ? HexValue(s_[i_]) >= 0 : IsDigit(s_[i_]))) {
          code =
              hex ? code * 16 + static_cast<quint32>(HexValue(s_[i_])) : code * 10 + static_cast<quint32>(s_[i_] - '0');
          if (code > 0x10FFFF) Fail(part, QStringLiteral("character code too large"));
          ++digits;
          Advance(1);
        }
        if (digits == 0) Fail(part, QStringLiteral("character code expected after '#'"));
        if (code <= 0xFFFF) {
          t.text += QChar(static_cast<char16_t>(code));
        } else {
          const char32_t c32 = code;
          t.text += QString::fromUcs4(&c32, 1);
        }
      } else {
        break;
      }
      if (t.text.size() > kMaxString) Fail(t, QStringLiteral("string too long"));
      // "+" joins the next string, possibly on another line.
      const qsizetype save_i = i_;
      const int save_line = line_;
      const int save_column = column_;
      SkipSpace();
      if (i_ < n_ && s_[i_] == '+') {
        Advance(1);
        SkipSpace();
        if (i_ >= n_ || (s_[i_] != '\'' && s_[i_] != '#')) FailHere(QStringLiteral("string expected after '+'"));
        continue;
      }
      if (i_ < n_ && (s_[i_] == '\'' || s_[i_] == '#') && i_ == save_i) continue;
      i_ = save_i;
      line_ = save_line;
      column_ = save_column;
      break;
    }
  }

  void LexBinary(TFormToken& t) {
    t.kind = TFormToken::Binary;
    Advance(1);
    int high = -1;
    for (;;) {
      if (i_ >= n_) Fail(t, QStringLiteral("unterminated binary value"));
      const char c = s_[i_];
      if (c == '}') {
        if (high >= 0) FailHere(QStringLiteral("odd number of hexadecimal digits in binary value"));
        Advance(1);
        return;
      }
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        Advance(1);
        continue;
      }
      const int v = HexValue(c);
      if (v < 0) FailHere(QStringLiteral("hexadecimal digit expected in binary value"));
      if (high < 0) {
        high = v;
      } else {
        t.bytes.append(static_cast<char>((high << 4) | v));
        high = -1;
      }
      Advance(1);
    }
  }

  static constexpr qsizetype kMaxIdent = 1024;
  static constexpr qsizetype kMaxNumber = 400;
  static constexpr qsizetype kMaxString = 16 * 1024 * 1024;

  const char* s_;
  qsizetype n_;
  qsizetype i_ = 0;
  int line_ = 1;
  int column_ = 1;
};

}  // namespace

std::vector<TFormToken> TokenizeFormDesign(const QByteArray& text) {
  if (text.size() > kMaxDesignSize) {
    throw EReadError(QStringLiteral("Line 1, column 1: design too large (%1 bytes)").arg(text.size()));
  }
  return Lexer(text).Run();
}

}  // namespace lumicar
